// ostrimar-data scene: the placed objects of a backdrop scene file, one line each, and the
// malformed files it reports; run on hand-made files and on the data set's scenes.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

namespace {

struct Placed {
    std::string name;
    float v[7];
    uint8_t mirrored;
    int32_t firstPass;
};

std::vector<uint8_t> scene(const std::vector<Placed>& objects, int32_t count)
{
    std::vector<uint8_t> out(64, 0);
    std::memcpy(out.data(), "test", 4);
    auto put = [&out](const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    };
    put(&count, 4);
    for (const Placed& o : objects) {
        char name[32] = {};
        std::memcpy(name, o.name.data(), std::min<size_t>(o.name.size(), 32));
        put(name, 32);
        put(o.v, sizeof o.v);
        put(&o.mirrored, 1);
        put(&o.firstPass, 4);
    }
    return out;
}

class SceneCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/tools/scene_" +
              testing::UnitTest::GetInstance()->current_test_info()->name();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::filesystem::create_directories(dir);
    }
    ToolResult run(const std::vector<uint8_t>& bytes)
    {
        std::ofstream(dir + "/s.lev", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return runCaptured(shellQuote(std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar-data") + " scene " +
                               shellQuote(dir + "/s.lev"),
                           dir + "/run");
    }
    std::string dir;
};

TEST_F(SceneCommand, PrintsOneLinePerPlacedObject)
{
    ToolResult r = run(scene({{"sky_day", {-400, 300, 400, 200.5f, 0, 0, 0}, 0, 0},
                              {"leaves1_oak", {-400, 300, -170, 190, -12, 30, 0}, 1, 0},
                              {"tuft", {0, 1, 2, 3, 4, 5, 6}, 7, 2}},
                             3));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "sky_day\t-400 300 400 200.5\t0\t0 0\t0\t0\n"
              "leaves1_oak\t-400 300 -170 190\t-12\t30 0\t1\t0\n"
              "tuft\t0 1 2 3\t4\t5 6\t1\t1\n");
    EXPECT_EQ(r.err, "");
    // an empty scene prints nothing
    r = run(scene({}, 0));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(SceneCommand, MalformedFilesAreReportedOnOneLine)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Placed ok = {"rock", {0, 1, 2, 3, 0, 0, 0}, 0, 0};
    Placed bad = {"rock", {0, nan, 2, 3, 0, 0, 0}, 0, 0};
    Placed longName = {std::string(32, 'x'), {0, 1, 2, 3, 0, 0, 0}, 0, 0};
    std::vector<uint8_t> shortFile(40, 0);
    std::vector<uint8_t> cut = scene({ok, ok}, 2);
    cut.pop_back();
    const std::vector<std::vector<uint8_t>> files = {
        shortFile, scene({ok}, 2), scene({ok, ok}, 1), cut, scene({}, -1), scene({ok, bad}, 2), scene({longName}, 1),
    };
    const char* reasons[] = {"header", "needs", "needs", "needs", "negative", "not finite", "terminator"};
    for (size_t i = 0; i < files.size(); ++i) {
        ToolResult r = run(files[i]);
        EXPECT_EQ(r.code, 1) << i;
        EXPECT_EQ(r.out, "") << i;
        EXPECT_EQ(lineCount(r.err), 1) << i << ": " << r.err;
        EXPECT_NE(r.err.find(reasons[i]), std::string::npos) << i << ": " << r.err;
        EXPECT_NE(r.err.find("s.lev"), std::string::npos) << i;
    }
    ToolResult missing = runCaptured(shellQuote(std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar-data") + " scene " +
                                         shellQuote(dir + "/none.lev"),
                                     dir + "/missing");
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(lineCount(missing.err), 1);
}

TEST_F(SceneCommand, EveryLandsSceneOfTheDataSetReads)
{
    for (int n = 0; n < 18; ++n) {
        std::string path = std::string(OSTRIMAR_BINARY_DIR) + "/Data/AnimBacks/level" + std::to_string(n) + ".lev";
        ToolResult r = runCaptured(shellQuote(std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar-data") + " scene " +
                                       shellQuote(path),
                                   dir + "/data" + std::to_string(n));
        EXPECT_EQ(r.code, 0) << path << ": " << r.err;
        EXPECT_GT(lineCount(r.out), 0) << path;
    }
}

}  // namespace
