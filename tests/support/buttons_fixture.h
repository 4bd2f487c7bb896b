#pragma once
// The program's buttons over the test prefix's real registry, through a
// registry that can refuse chosen calls, with a catalogue of the test's own
// and every key the test may make removed at its end.
#include <gtest/gtest.h>

#include "operations/toolbar_buttons.h"
#include "support/extension_keys.h"
#include "support/fakes.h"
#include "support/scratch_key.h"

namespace barsmith::testing {

class ButtonsFixture : public ::testing::Test {
protected:
    MadeKeys made;
    ScratchKey scratch;
    RecordingRegistry api;
    MyButtonsCatalogue catalogue{api, scratch.Application()};
    ToolbarButtons buttons{api, catalogue};
};

}  // namespace barsmith::testing
