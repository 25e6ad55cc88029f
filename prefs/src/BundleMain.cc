// The bundle's initialiser: when the Settings app loads the library, its
// root controller becomes available by the class name the bundle's entry
// gives ("MMRootListController").

#include "preferences/ControllerRegistry.h"
#include "prefs/MMRootListController.h"

__attribute__((constructor)) static void registerBundleClasses() {
  preferences::registerControllerClass("MMRootListController", [] { return MMRootListController::init(); });
}
