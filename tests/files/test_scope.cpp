// The shared range and progress dialog: each mode shows only its own
// controls; Cancel in a progress mode marks the dialog without closing it.
#include "files/UScope.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QKeyEvent>
#include <gtest/gtest.h>
#include <functional>
#include <set>

namespace {

void pressKey(QWidget* target, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

struct ModeCase {
    const char* name;
    std::function<std::unique_ptr<TfrmScope>()> make;
    QString caption;
    std::set<QString> visible;
    int initialResult;
};

std::set<QString> visibleControls(TfrmScope& d)
{
    std::set<QString> names;
    for (QWidget* w : {static_cast<QWidget*>(d.GroupBox1), static_cast<QWidget*>(d.BitBtn1),
                       static_cast<QWidget*>(d.BitBtn2), static_cast<QWidget*>(d.Progress1),
                       static_cast<QWidget*>(d.SText1), static_cast<QWidget*>(d.SText2),
                       static_cast<QWidget*>(d.lblBytesReceived), static_cast<QWidget*>(d.lblTotalBytes)})
        if (w->isVisibleTo(&d))
            names.insert(w->objectName());
    return names;
}

const std::vector<ModeCase>& modeCases()
{
    static const std::vector<ModeCase> cases = {
        {"range", [] { return TfrmScope::rangeDialog(250); }, "Save File",
         {"GroupBox1", "BitBtn1", "BitBtn2"}, 0},
        {"saving", [] { return TfrmScope::savingDialog(40); }, "Saving Progress",
         {"Progress1", "SText1", "BitBtn2"}, 0},
        {"open", [] { return TfrmScope::openDialog(); }, "Open Progress",
         {"SText1", "BitBtn2"}, -1},
        {"graphing", [] { return TfrmScope::graphingDialog(12); }, "Graphing Progress",
         {"SText1", "Progress1", "BitBtn2"}, 0},
        {"retrieving", [] { return TfrmScope::dataRetrievingDialog(4096); }, "Data Retriving Progress",
         {"Progress1", "SText1", "SText2", "lblBytesReceived", "lblTotalBytes", "BitBtn2"}, 0},
    };
    return cases;
}

} // namespace

TEST(TfrmScope, DesignedStateShowsNothing)
{
    TfrmScope d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Print Range"));
    EXPECT_TRUE(visibleControls(d).empty());
    EXPECT_TRUE(d.radAll->isChecked());
    EXPECT_EQ(d.radAll->text(), QStringLiteral("&All"));
    EXPECT_EQ(d.radNo->text(), QStringLiteral("&Select"));
    EXPECT_EQ(d.Progress1->minimum(), 0);
    EXPECT_EQ(d.Progress1->maximum(), 100);
    EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(d.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST(TfrmScope, EachModeShowsOnlyItsControls)
{
    for (const ModeCase& c : modeCases()) {
        auto d = c.make();
        EXPECT_EQ(d->windowTitle(), c.caption) << c.name;
        EXPECT_EQ(visibleControls(*d), c.visible) << c.name;
        EXPECT_EQ(d->modalResult(), c.initialResult) << c.name;
    }
}

TEST(TfrmScope, ModeTexts)
{
    auto range = TfrmScope::rangeDialog(250);
    EXPECT_EQ(range->edtSelFrom->text(), QStringLiteral("1"));
    EXPECT_EQ(range->edtSelTo->text(), QStringLiteral("250"));
    EXPECT_TRUE(range->radAll->isChecked());

    auto saving = TfrmScope::savingDialog(40);
    EXPECT_EQ(saving->SText1->text(), QStringLiteral("saving....."));
    EXPECT_EQ(saving->Progress1->maximum(), 40);

    auto open = TfrmScope::openDialog();
    EXPECT_EQ(open->SText1->text(), QStringLiteral("0"));
    open->setLinesRead(17);
    EXPECT_EQ(open->SText1->text(), QStringLiteral("17"));

    auto graphing = TfrmScope::graphingDialog(12);
    EXPECT_EQ(graphing->SText1->text(), QStringLiteral("graphing....."));
    EXPECT_EQ(graphing->Progress1->maximum(), 12);

    auto retrieving = TfrmScope::dataRetrievingDialog(4096);
    EXPECT_EQ(retrieving->SText1->text(), QStringLiteral("bytes received"));
    EXPECT_EQ(retrieving->SText2->text(), QStringLiteral("total bytes"));
    EXPECT_EQ(retrieving->lblTotalBytes->text(), QStringLiteral("4096"));
    EXPECT_EQ(retrieving->lblBytesReceived->text(), QStringLiteral("0"));
    retrieving->setBytesReceived(650);
    EXPECT_EQ(retrieving->lblBytesReceived->text(), QStringLiteral("650"));
    EXPECT_EQ(retrieving->Progress1->value(), 650);
}

TEST(TfrmScope, CancelInProgressModeMarksWithoutClosing)
{
    for (auto make : {std::function([] { return TfrmScope::savingDialog(5); }),
                      std::function([] { return TfrmScope::openDialog(); }),
                      std::function([] { return TfrmScope::graphingDialog(5); })}) {
        auto d = make();
        d->show();
        d->BitBtn2->click();
        EXPECT_EQ(d->modalResult(), 2);
        EXPECT_TRUE(d->cancelled());
        EXPECT_TRUE(d->isVisible());
    }
}

TEST(TfrmScope, EscapeCancelsEveryProgressTheDownloadToo)
{
    auto graphing = TfrmScope::graphingDialog(10);
    graphing->show();
    pressKey(graphing.get(), Qt::Key_Escape);
    EXPECT_EQ(graphing->modalResult(), 2);
    EXPECT_TRUE(graphing->isVisible());

    auto retrieving = TfrmScope::dataRetrievingDialog(100);
    retrieving->show();
    pressKey(retrieving.get(), Qt::Key_Escape);
    EXPECT_EQ(retrieving->modalResult(), 2) << "the transfer stops at its next block";
    EXPECT_TRUE(retrieving->isVisible());
}

TEST(TfrmScope, CloseBoxOnlyHidesAProgressDialog)
{
    auto d = TfrmScope::savingDialog(5);
    d->show();
    d->close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->modalResult(), 0);   // the operation goes on
}

TEST(TfrmScope, RangeButtonsAndCloseBoxEndTheQuestion)
{
    struct Case { const char* name; std::function<void(TfrmScope&)> act; int result; };
    const Case cases[] = {
        {"OK", [](TfrmScope& d) { d.BitBtn1->click(); }, 1},
        {"Cancel", [](TfrmScope& d) { d.BitBtn2->click(); }, 2},
        {"close box", [](TfrmScope& d) { d.close(); }, 2},
        {"Esc", [](TfrmScope& d) { pressKey(&d, Qt::Key_Escape); }, 2},
    };
    for (const Case& c : cases) {
        auto d = TfrmScope::rangeDialog(10);
        d->show();
        c.act(*d);
        EXPECT_EQ(d->result(), c.result) << c.name;
        EXPECT_FALSE(d->isVisible()) << c.name;
    }
}

TEST(TfrmScope, TypingABoundSelectsTheRange)
{
    auto d = TfrmScope::rangeDialog(10);
    d->show();
    pressKey(d->edtSelFrom, Qt::Key_3, QStringLiteral("3"));
    EXPECT_TRUE(d->radNo->isChecked());
}

// A window manager draws the caption in the title bar beside its buttons,
// often bold and centred: every mode's dialog is wide enough for its caption
// in that font with a button's room on each side ("Data Retriving Progress"
// showed as "D… ss").
TEST(TfrmScope, EveryCaptionShowsWhole)
{
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    for (const ModeCase& c : modeCases()) {
        SCOPED_TRACE(c.name);
        auto d = c.make();
        d->show();
        QApplication::processEvents();
        const int buttons = d->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, d.get());
        EXPECT_GE(d->width(), QFontMetrics(titleFont).horizontalAdvance(d->windowTitle()) + 4 * buttons)
            << "width " << d->width();
    }
}
