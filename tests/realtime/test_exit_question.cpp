// File > Exit asks to save the real-time graph only while it holds samples
// that were neither saved nor knowingly thrown away.
#include "RealTimeFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QToolButton>

TEST_F(RealTimeTest, ExitAsksToSaveOnlyWhatIsUnsaved)
{
    const struct {
        const char* name;
        bool clearedWithNo;   // "Clear" pressed and its question answered No
        bool exitAsks;
    } cases[] = {
        {"a stopped run", false, true},
        {"a stopped run, cleared", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!main)
            SetUp();   // a fresh program for each case
        startRun(100, 1);
        driver.ticks(3);
        main->btnStopClick();
        if (c.clearedWithNo) {
            prompts.answers.push_back(QMessageBox::No);
            graph().tbntClr->click();
            ASSERT_EQ(main->Session.SampleCount(), 0);
        }
        prompts.messages.clear();
        prompts.answers = {QMessageBox::No};   // to the question at Exit, if it comes
        main->Exit1->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(prompts.messages,
                  c.exitAsks ? QStringList{QStringLiteral("Save Real-Time Graph ?")} : QStringList());
        EXPECT_FALSE(main->RealTimeGraph) << "the program closed";
        main.reset();
    }
}
