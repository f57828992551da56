#pragma once
// What every parse of a memory image must leave behind, shared by the
// targets that parse images (a download's, a collection file's).

#include "FuzzInput.h"
#include "logger/DataSetModel.h"
#include "logger/LoadResult.h"

#include <cmath>
#include <numeric>

// Parses `image` into a fresh model and checks the model against the image.
inline int parseAndCheckImage(const QByteArray& image, int meterModel)
{
    DataSetModel model;
    model.RawImage = image;
    const int code = model.ParseImage(meterModel);
    FUZZ_CHECK(code == LoadResult::Success || code == LoadResult::DataError || code == LoadResult::MemoryError
               || code == LoadResult::Incomplete || code == LoadResult::NoData);
    if (code == LoadResult::Success) {
        const auto count = std::size_t(model.dataSetCount());
        FUZZ_CHECK(count >= 1 && count <= std::size_t(DataSetModel::MaxDataSets));
        for (auto size : {model.IntervalSecs.size(), model.RecordCounts.size(), model.UnitFlags.size(),
                          model.SetStarts.size(), model.SetEnds.size()})
            FUZZ_CHECK(size == count);
        const qint64 total = std::accumulate(model.RecordCounts.begin(), model.RecordCounts.end(), qint64(0));
        FUZZ_CHECK(qint64(model.Readings.size()) == 4 * total);
        FUZZ_CHECK(model.ReadingTimes.size() == model.Readings.size());
        for (std::size_t k = 0; k < count; ++k) {
            FUZZ_CHECK(model.SetStarts[k] >= DataSetModel::HeaderSize);
            // Header and records lie within the image; the two bytes after
            // the records are not read and may be missing from the last set.
            const qint64 records = qint64(model.RecordCounts[k]);
            FUZZ_CHECK(model.SetStarts[k] + DataSetModel::DataSetHeaderSize + 8 * records <= image.size());
            FUZZ_CHECK(model.SetEnds[k] == model.SetStarts[k] + 8 * records + 15);
            FUZZ_CHECK(std::isfinite(model.StartTimes[k]));
            FUZZ_CHECK(model.IntervalSecs[k] >= 0);
        }
    } else if (code == LoadResult::DataError) {
        // The data sets before the bad one stand as an image of their own.
        const QByteArray before = model.imageBeforeBadDataSet();
        if (!before.isEmpty()) {
            DataSetModel kept;
            kept.RawImage = before;
            FUZZ_CHECK(kept.ParseImage(meterModel) == LoadResult::Success);
            FUZZ_CHECK(kept.dataSetCount() == model.BadDataSet);
        }
    }
    return code;
}
