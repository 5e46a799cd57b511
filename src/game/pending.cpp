#include "game/pending.h"

#include "app/core/requestlog.h"
#include "game/playstate.h"
#include "persist/settings.h"

void showTip(const char* key, float x, float y, float delayMs, bool needsButton, int arrow)
{
    // A tip with a profile flag shows once: nothing when its flag is clear, and showing it clears
    // the flag ("welcome" keeps its flag; the board clears it).
    int flag = tipFlagIndex(key);
    if (flag >= 0) {
        if (!play.tipFlags[flag]) return;
        if (flag != TipWelcome) play.tipFlags[flag] = 0;
    }
    recordRequest("showTip", key, needsButton ? 1 : 0, arrow, x, y);
    (void)delayMs;
}

void addScorePopup(float x, float y, int value) { recordRequest("addScorePopup", "", value, 0, x, y); }
void spawnDebris(int colour, float x, float y, int kind) { recordRequest("spawnDebris", "", colour, kind, x, y); }
void spawnSquarePiece(float x, float y, int oldTile) { recordRequest("spawnSquarePiece", "", oldTile, 0, x, y); }
void noteMoveMade() { recordRequest("moveMade"); }
void applyLimits() { recordRequest("applyLimits"); }
void setBackdrop(int number) { recordRequest("setBackdrop", "", number); }
void setBackdropTint(int preset) { recordRequest("setBackdropTint", "", preset); }
void clearSavedGameFlag(int mode) { recordRequest("clearSavedGameFlag", "", mode); }

// Declared with the other settings operations; recorded until the settings files are written.
void saveAll() { recordRequest("saveAll"); }
