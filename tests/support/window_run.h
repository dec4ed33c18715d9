#pragma once

#include <string>
#include <vector>

#include "app/frm_main.h"
#include "tests/support/headless_toolkit.h"

namespace quorvel::testing {

// A split or a join through the window, as a user runs it: the fields as the pickers leave them,
// then the scissors. `arguments` are "split" <source> <folder> <parts>, or "join" <first piece>
// <folder> with "delete" after them to tick "Delete splited files after file joint completed.".
// True when the run reported its completion.
bool runThroughWindow(HeadlessToolkit& kit, frmMain& form,
                      const std::vector<std::string>& arguments);

}  // namespace quorvel::testing
