// Qt's own texts follow the desktop's language: run with LANG=zh_CN.UTF-8.
#include "Forms.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

TEST(UiQtTexts, StandardButtonsOfMessageBoxesInTheDesktopsLanguage)
{
    ASSERT_EQ(QLocale().name(), "zh_CN");
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    const struct {
        QMessageBox::StandardButton button;
        const char* text;
    } cases[] = {{QMessageBox::Ok, "确定"}, {QMessageBox::Cancel, "取消"}, {QMessageBox::Yes, "是(Y)"}, {QMessageBox::No, "否(N)"}};
    for (const auto& c : cases) {
        ASSERT_NE(box.button(c.button), nullptr);
        EXPECT_EQ(box.button(c.button)->text().remove('&'), QString::fromUtf8(c.text));
    }
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    zuvi::test::TempHome home("zuvi-ui-test");
    zuvi::ui::TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
