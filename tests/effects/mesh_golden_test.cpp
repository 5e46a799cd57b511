// The default data set's 3-D decorations drawn by the OpenGL device: the lantern, the crystals,
// the windmill (its sails turned by their run-time matrix) and the boat, against a stored picture.
#include "graphics/gfx_helpers.h"

#include "effects/mesh.h"

#include <string>

namespace {

class MeshGolden : public GraphicsTest {
protected:
    void SetUp() override
    {
        GraphicsTest::SetUp();
        resetMeshes();
    }
    void TearDown() override
    {
        resetMeshes();
        GraphicsTest::TearDown();
    }
};

// The parent matrix of a decoration: scaled to pixels and placed at (x, y) in the 2-D view, deep
// inside the depth range of the orthographic projection.
Matrix placed(float x, float y, float scale)
{
    Matrix m;
    m.setDiagonal(scale, scale, scale);
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = 250.0f;
    return m;
}

TEST_F(MeshGolden, FourDecorations)
{
    startGl();
    ASSERT_TRUE(openBuiltDataSet(std::string(OSTRIMAR_BINARY_DIR) + "/Data", false));
    ASSERT_TRUE(osSetCurrentDirectory("AnimBacks"));
    const char* names[4] = {"lantern.cgo", "crystal.cgo", "windmill.cgo", "boat.cgo"};
    CompositeObject* objects[4] = {};
    for (int i = 0; i < 4; ++i) {
        objects[i] = loadComposite(names[i]);
        ASSERT_NE(objects[i], nullptr) << names[i] << ": " << meshState.lastError;
        for (int k = 0; k < objects[i]->meshCount; ++k) EXPECT_NE(objects[i]->meshes[k], nullptr) << names[i] << " mesh " << k;
    }
    EXPECT_EQ(ExitRecorder::exits(), 0);
    const Matrix parents[4] = {placed(-200, 140, 120), placed(200, 140, 120), placed(-200, -160, 120),
                               placed(200, -160, 120)};
    // the windmill's sails turned by 20 degrees about their hub
    setMeshExtraMatrix(objects[2], 1, spinAboutMeshOrigin(objects[2], 1, parents[2], 20.0f));

    beginScene();
    begin2D();
    clearColor(0xFF2C3E5Au);
    clearDepth(1.0f);
    setOrthoProjection(800.0f, 600.0f, 1.0f, 500.0f);
    setRenderState(GpuRenderState::ZEnable, 1);
    setRenderState(GpuRenderState::ZWriteEnable, 1);
    setRenderState(GpuRenderState::AlphaBlendEnable, 0);
    setRenderState(GpuRenderState::AlphaTestEnable, 0);
    setRenderState(GpuRenderState::CullMode, CullCCW);
    setRenderState(GpuRenderState::AlphaRef, 1);
    for (int i = 0; i < 4; ++i) drawComposite(objects[i], parents[i]);
    endScene();
    EXPECT_EQ(meshState.culledMeshes, 0);
    expectGolden(frame(), "meshes_decorations");
}

}  // namespace
