// Skin controls: the label component of the library (a plain label under its own class name).
#pragma once

#include "platform/ui/StdCtrls.h"

namespace zuvi::skin {

class TLabel1 : public ui::TLabel {
public:
    using TLabel::TLabel;
    QString ClassName() const override { return QStringLiteral("TLabel1"); }
};

} // namespace zuvi::skin
