#pragma once
// Commands of ostrimar-data. Each returns the process exit code (0 success, 1 failure).
// argv/argc are the command's own arguments (after the command word).
int cmdList(int argc, char** argv);
int cmdUnpack(int argc, char** argv);
int cmdPack(int argc, char** argv);
int cmdTexts(int argc, char** argv);
int cmdKv(int argc, char** argv);
int cmdLevel(int argc, char** argv);
int cmdPlay(int argc, char** argv);
int cmdCampaign(int argc, char** argv);
int cmdScene(int argc, char** argv);
int cmdPreview(int argc, char** argv);
int cmdSheet(int argc, char** argv);
int cmdMesh(int argc, char** argv);
int cmdMix(int argc, char** argv);
int cmdReplay(int argc, char** argv);
int cmdRecord(int argc, char** argv);

// Shared by the level commands: a whole decimal number; the level index of a file named like the
// game's level files, "pack1_NN.lvl" (NN - 1), else 0.
bool parseInt(const char* s, long* out);
int levelIndexFromName(const char* path);
