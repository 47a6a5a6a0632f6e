// The product has no installation hook. Test programs define ActiveInstallStepHook themselves;
// keep this file to that one definition, so that the linker never needs it beside theirs.
#include "plugin/install_hooks.h"

namespace qln {

InstallStepHook ActiveInstallStepHook() { return nullptr; }

}  // namespace qln
