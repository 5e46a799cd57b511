// ostrimar-data mesh: a mesh file's smooth flag, counts and bounding sphere, and one line on
// standard error for files the game refuses.
#include "tools/run_tool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class MeshCommand : public testing::Test {
protected:
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = std::string(OSTRIMAR_BINARY_DIR) + "/scratch/tools/" + info->name();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::filesystem::create_directories(dir);
    }
    ToolResult tool(const std::vector<std::string>& args)
    {
        std::string cmd = "cd " + shellQuote(dir) + " && " + shellQuote(std::string(OSTRIMAR_BINARY_DIR) + "/ostrimar-data");
        for (const std::string& a : args) cmd += " " + shellQuote(a);
        return runCaptured(cmd, dir + "/");
    }
    void write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::ofstream f(dir + "/" + name, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    std::string dir;
};

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void putF(std::vector<uint8_t>& b, size_t at, float v) { std::memcpy(&b[at], &v, 4); }

// A tetrahedron of four vertices and four faces (corners (0,1,2) (0,3,1) (0,2,3) (1,3,2)).
std::vector<uint8_t> tetrahedron(uint8_t smooth)
{
    std::vector<uint8_t> b(37 + 4 * 12 + 4 * 12 + 4 * 24, 0);
    b[3] = smooth;
    put32(b, 29, 4);
    put32(b, 33, 4);
    const float p[4][3] = {{0, 0, 0}, {2, 0, 0}, {0, 4, 0}, {0, 0, 6}};
    for (int v = 0; v < 4; ++v)
        for (int k = 0; k < 3; ++k) putF(b, 37 + size_t(v) * 12 + size_t(k) * 4, p[v][k]);
    const uint32_t faces[12] = {0, 1, 2, 0, 3, 1, 0, 2, 3, 1, 3, 2};
    for (int c = 0; c < 12; ++c) put32(b, 85 + size_t(c) * 4, faces[c]);
    for (int c = 0; c < 12; ++c) putF(b, 133 + size_t(c) * 8, 0.25f * float(c % 4));
    return b;
}

TEST_F(MeshCommand, PrintsFlagCountsAndBoundingSphere)
{
    write("t.msh_s", tetrahedron(1));
    ToolResult r = tool({"mesh", "t.msh_s"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // the box is (0,0,0)-(2,4,6): centre (1,2,3), farthest corner at sqrt(1 + 4 + 9)
    char sphere[64];
    std::snprintf(sphere, sizeof sphere, "sphere\t1 2 3 %g\n", std::sqrt(14.0f));
    EXPECT_EQ(r.out, std::string("smooth\t1\nvertices\t4\nfaces\t4\n") + sphere);
    std::vector<uint8_t> flat = tetrahedron(0);
    write("f.msh_s", flat);
    r = tool({"mesh", "f.msh_s"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.substr(0, 9), "smooth\t0\n");
}

TEST_F(MeshCommand, MalformedFilesGetOneLineAndExitOne)
{
    std::vector<uint8_t> good = tetrahedron(1);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    cases.push_back({"short.msh_s", std::vector<uint8_t>(good.begin(), good.begin() + 20)});
    cases.push_back({"cut.msh_s", std::vector<uint8_t>(good.begin(), good.end() - 4)});
    std::vector<uint8_t> b = good;
    put32(b, 85 + 4, 4);  // a face naming vertex 4 of 4
    cases.push_back({"index.msh_s", b});
    b = good;
    putF(b, 37 + 4, std::nanf(""));
    cases.push_back({"nan.msh_s", b});
    b = good;
    put32(b, 33, 0x40000000);
    cases.push_back({"count.msh_s", b});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        write(c.first, c.second);
        ToolResult r = tool({"mesh", c.first});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(lineCount(r.err), 1) << r.err;
        EXPECT_EQ(r.err.rfind(c.first + ": ", 0), 0u) << r.err;
    }
    ToolResult r = tool({"mesh", "absent.msh_s"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "absent.msh_s: cannot be read\n");
    r = tool({"mesh"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(lineCount(r.err), 1);
}

}  // namespace
