// Skin controls: registration of the skin classes with the layout loader.
#pragma once

namespace zuvi::skin {

// Registers TssSkinForm, TssSkinButton and TssLinkButton (and the abstract TssCustomButton)
// with the layout loader. Runs once at program start; calling it again does nothing.
void RegisterSkinClasses();

} // namespace zuvi::skin
