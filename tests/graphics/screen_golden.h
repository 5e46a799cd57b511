// Golden tests of whole screens: the built default data set, the OpenGL device on a hidden window
// and fresh text, message, screen and audio state. Each fixture resets its own modules after this.
#pragma once

#include "graphics/gfx_helpers.h"

#include "app/screens.h"
#include "audio/audio.h"
#include "ui/font.h"
#include "ui/messages.h"

class ScreenGoldenTest : public GraphicsTest {
protected:
    std::string data;  // the built data set's folder

    // `probe` is a file the data set must hold for the fixture's screens.
    void startWithBuiltDataSet(const char* probe)
    {
        data = std::string(OSTRIMAR_BINARY_DIR) + "/Data";
        ASSERT_TRUE(std::filesystem::exists(data + "/" + probe)) << "the data set is built by the dataset target";
        startGl();
        resetTextTables();
        resetTextState();
        resetMessages();
        resetScreens();
        resetAudio();
    }
};
