// The simulated meter serving its memory on its pseudo-terminal: the whole
// image, live frames paused meanwhile, the refusal while it records, the
// 9600-baud pace, and the memories tq612-metersim can be given.
#include "DemoMemory.h"
#include "FastClock.h"
#include "MemoryImageBuilder.h"
#include "MeterSim.h"
#include "PtyComm2.h"
#include "logger/DataSetModel.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

using metersim::MeterSim;

namespace {

class SimDownload : public ::testing::Test {
protected:
    void start(bool paced, QByteArray memory = {})
    {
        metersim::Options o;
        o.rateMs = 20;
        o.registerPort = false;
        o.pacedDownload = paced;
        o.memory = std::move(memory);
        sim = std::make_unique<MeterSim>(o);
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(comm2.open(sim->portPath()));
    }
    void send(char letter) { comm2.port.Write(ImageDownload::commandFrame(letter)); }
    // Bytes that arrive within `ms` of wall time.
    QByteArray receiveFor(int ms)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            comm2.port.WaitForInput(int(ms - t.elapsed()));
            const int n = comm2.port.InputCount();
            if (n > 0)
                got += comm2.download.read(n);
        }
        return got;
    }
    int download()
    {
        ImageDownload d(comm2.download, {[] {}, {}});
        const int code = d.DownloadImage();
        image = d.image();
        return code;
    }

    FastClock fast{20};
    ScopedClock scoped{fast};
    std::unique_ptr<MeterSim> sim;
    PtyComm2 comm2;
    QByteArray image;
};

TEST_F(SimDownload, ServesItsMemoryWhileLiveFramesPause)
{
    start(false, metersim::demoMemory(612));
    send('a');
    ASSERT_FALSE(receiveFor(60).isEmpty()) << "live frames before the download";
    EXPECT_EQ(download(), LoadResult::Success);
    EXPECT_EQ(image, sim->memoryImage()) << "no live frame in between";
    EXPECT_FALSE(receiveFor(60).isEmpty()) << "live frames again after Q";
    EXPECT_FALSE(sim->downloading());

    // A download left without Q ends with the next start request.
    comm2.port.ClearInput();
    send('c');
    EXPECT_EQ(receiveFor(40).size(), 10) << "only the reply, no live frame";
    EXPECT_TRUE(sim->downloading());
    send('a');
    EXPECT_FALSE(receiveFor(60).isEmpty());
    EXPECT_FALSE(sim->downloading());
}

TEST_F(SimDownload, ARecordingMeterRefusesAndAnEmptyOneHasNoDataSets)
{
    start(false);  // no memory given: a header without data sets
    {
        auto lock = sim->lock();
        sim->meter().recording = true;
    }
    EXPECT_EQ(download(), LoadResult::Incomplete);
    EXPECT_TRUE(image.isEmpty());
    {
        auto lock = sim->lock();
        sim->meter().recording = false;
    }
    EXPECT_EQ(download(), LoadResult::Success);
    DataSetModel model;
    model.RawImage = image;
    EXPECT_EQ(model.ParseImage(612), LoadResult::NoData);
}

TEST_F(SimDownload, PacedRepliesTakeTheirLineTime)
{
    start(true);
    QElapsedTimer t;
    t.start();
    send('c');
    while (comm2.port.InputCount() < 10 && t.elapsed() < 200) {
        comm2.port.WaitForInput(5);
        QThread::msleep(1);
    }
    EXPECT_EQ(comm2.port.InputCount(), 10);
    EXPECT_GE(t.elapsed(), 8) << "ten bytes at 9600 baud take about 10 ms; unpaced they come at once";
}

TEST(DemoMemory, ThreeDataSetsWithNegativeReadingsAndOneInFahrenheit)
{
    for (const int model : {612, 618}) {
        DataSetModel m;
        m.RawImage = metersim::demoMemory(model);
        ASSERT_EQ(m.ParseImage(model), LoadResult::Success) << model;
        EXPECT_EQ(m.RecordCounts, (std::vector<int>{20, 120, 8}));
        EXPECT_EQ(m.IntervalSecs, (std::vector<int>{30, 2, 60}));
        EXPECT_FALSE(m.isFahrenheit(0));
        EXPECT_TRUE(m.isFahrenheit(2));
        EXPECT_FLOAT_EQ(m.Readings[4 * 19], -5.5f) << model;
    }
}

} // namespace
