#include "chart/ChartState.h"

#include <QCryptographicHash>
#include <QtEndian>
#include <cstring>
#include <limits>
#include <type_traits>

// Block layout, all little-endian:
//   u32 magic "TQGS", u16 version, u32 payload length, payload, 16-byte MD5 of the payload.
// The payload is a flat sequence of fields written by Writer below; strings
// are UTF-8 with a u32 byte count, arrays a u32 count and raw values. Every
// count is checked against the bytes that remain before anything is allocated.

namespace {

constexpr int MaxSubsets = 256;
constexpr int MaxAxes = 256;
// Two limits per channel; alarm marks as many as the bytes can hold.
constexpr int MaxLimitLines = 2 * MaxSubsets;
constexpr int MaxAlarmMarks = std::numeric_limits<qint32>::max();
constexpr int MaxPaddingPercent = 100;
// Text sizes of the annotations, in percent of the label size.
constexpr int MinTextSizePercent = 10;
constexpr int MaxTextSizePercent = 1000;
constexpr qsizetype HashSize = 16;
constexpr qsizetype HeaderSize = 4 + 2 + 4;

class Writer {
public:
    explicit Writer(QByteArray& out) : out(out) {}

    template <typename T> void put(T v)
    {
        static_assert(std::is_arithmetic_v<T>);
        if constexpr (std::is_same_v<T, bool>) {
            put<quint8>(v ? 1 : 0);
        } else {
            T le = qToLittleEndian(v);
            out.append(reinterpret_cast<const char*>(&le), sizeof le);
        }
    }
    void put(const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        put<quint32>(quint32(utf8.size()));
        out.append(utf8);
    }
    template <typename T> void putArray(const std::vector<T>& values)
    {
        put<quint32>(quint32(values.size()));
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            out.append(reinterpret_cast<const char*>(values.data()), qsizetype(values.size() * sizeof(T)));
        } else {
            for (T v : values)
                put(v);
        }
    }

private:
    QByteArray& out;
};

class Reader {
public:
    explicit Reader(QByteArrayView in) : in(in) {}

    bool ok() const { return good; }
    bool atEnd() const { return pos == in.size(); }

    template <typename T> T get()
    {
        static_assert(std::is_arithmetic_v<T>);
        if constexpr (std::is_same_v<T, bool>) {
            return get<quint8>() != 0;
        } else {
            if (!need(sizeof(T)))
                return T{};
            T v;
            std::memcpy(&v, in.data() + pos, sizeof v);
            pos += sizeof v;
            return qFromLittleEndian(v);
        }
    }
    QString getString()
    {
        const quint32 n = get<quint32>();
        if (!need(n))
            return {};
        QString s = QString::fromUtf8(in.data() + pos, qsizetype(n));
        pos += n;
        return s;
    }
    template <typename T> std::vector<T> getArray()
    {
        const quint32 n = get<quint32>();
        if (!need(qsizetype(n) * qsizetype(sizeof(T))))
            return {};
        std::vector<T> values(n);
        if (n == 0)
            return values;  // an empty vector has no storage to copy into
        if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
            std::memcpy(values.data(), in.data() + pos, n * sizeof(T));
            pos += qsizetype(n * sizeof(T));
        } else {
            for (T& v : values)
                v = get<T>();
        }
        return values;
    }
    // A count that must lie in [0, limit].
    int getCount(int limit) { return getInt(0, limit); }
    // A whole number that must lie in [low, high]; 0 once the block is refused.
    int getInt(int low, int high)
    {
        const qint32 n = get<qint32>();
        if (n < low || n > high)
            good = false;
        return good ? n : 0;
    }
    // A finite number in [low, high]: NaN and infinities are damage like any other.
    double getDouble(double low = -std::numeric_limits<double>::max(),
                     double high = std::numeric_limits<double>::max())
    {
        const double v = get<double>();
        if (!(v >= low && v <= high))
            good = false;
        return good ? v : 0.0;
    }
    void fail() { good = false; }

private:
    bool need(qsizetype bytes)
    {
        if (!good || bytes < 0 || bytes > in.size() - pos)
            good = false;
        return good;
    }

    QByteArrayView in;
    qsizetype pos = 0;
    bool good = true;
};

void writeOptions(Writer& w, const ChartOptions& o)
{
    for (int v : {o.plottingMethod, o.gridLineControl, o.gridStyle, o.dataShadows, o.borderTypes,
                  o.legendLocation, o.fontSize, o.dataPrecision, o.allowUserInterface, o.zoomStyle,
                  o.autoMinMaxPadding, o.cursorMode, o.defOrientation, o.allowDataLabels, o.allowZooming,
                  o.dateTimeMode, o.multiAxesSeparators})
        w.put<qint32>(v);
    for (bool b : {o.showLegend, o.allowCustomization, o.allowExporting, o.allowMaximization,
                   o.annotationsInFront, o.allowDataHotSpots, o.allowGraphHotSpots, o.allowPopup, o.noHelp,
                   o.prepareImages, o.subsetByPoint, o.focalRect, o.allowBar, o.noRandomPointsToExport,
                   o.scrollingHorzZoom, o.scrollingVertZoom, o.allowAxisPage, o.allowPage1, o.allowPage2,
                   o.allowSubsetsPage, o.allowFontPage, o.usingXDataII})
        w.put(b);
    w.put(o.titleFont);
    w.put(o.labelFont);
}

void readOptions(Reader& r, ChartOptions& o)
{
    // Each setting with the values the chart knows; anything else is damage.
    const struct {
        int* field;
        int low;
        int high;
    } ints[] = {
        {&o.plottingMethod, sgLine, sgArea},
        {&o.gridLineControl, sgGridBoth, sgNoGrid},
        {&o.gridStyle, sgThin, sgOnePixel},
        {&o.dataShadows, sgNoShadows, sgWith3D},
        {&o.borderTypes, sgNoBorder, sgInset},
        {&o.legendLocation, sgLegendTop, sgLegendRight},
        {&o.fontSize, sgSmall, sgLarge},
        {&o.dataPrecision, sgNoDecimals, sgThreeDecimals},
        {&o.allowUserInterface, sgNoInterface, sgAllInterface},
        {&o.zoomStyle, sgFramed, sgFilled},
        {&o.autoMinMaxPadding, 0, MaxPaddingPercent},
        {&o.cursorMode, sgNoCursor, sgCrossHair},
        {&o.defOrientation, sgDriverDefault, sgPortrait},
        {&o.allowDataLabels, sgNoDataLabels, sgBothDataLabels},
        {&o.allowZooming, sgNoZooming, sgHorzPlusVertZooming},
        {&o.dateTimeMode, sgNoDateTimeMode, sgVBDateTime},
        {&o.multiAxesSeparators, sgNoSeparator, sgThickLine},
    };
    for (const auto& v : ints)
        *v.field = r.getInt(v.low, v.high);
    for (bool* b : {&o.showLegend, &o.allowCustomization, &o.allowExporting, &o.allowMaximization,
                    &o.annotationsInFront, &o.allowDataHotSpots, &o.allowGraphHotSpots, &o.allowPopup, &o.noHelp,
                    &o.prepareImages, &o.subsetByPoint, &o.focalRect, &o.allowBar, &o.noRandomPointsToExport,
                    &o.scrollingHorzZoom, &o.scrollingVertZoom, &o.allowAxisPage, &o.allowPage1, &o.allowPage2,
                    &o.allowSubsetsPage, &o.allowFontPage, &o.usingXDataII})
        *b = r.get<bool>();
    o.titleFont = r.getString();
    o.labelFont = r.getString();
}

QByteArray hashOf(QByteArrayView payload)
{
    return QCryptographicHash::hash(payload, QCryptographicHash::Md5);
}

} // namespace

void ChartState::resizeData(int newSubsets, int newPoints)
{
    newSubsets = std::max(newSubsets, 1);
    newPoints = std::max(newPoints, 0);
    x.resize(size_t(newSubsets));
    y.resize(size_t(newSubsets));
    for (auto& xs : x)
        xs.resize(size_t(newPoints), 0.0);
    for (auto& ys : y)
        ys.resize(size_t(newPoints), 0.0f);
    subsets = newSubsets;
    points = newPoints;
}

ChartAxis& ChartState::axis(int index)
{
    index = std::clamp(index, 0, MaxAxes - 1);
    if (size_t(index) >= axes.size())
        axes.resize(size_t(index) + 1);
    return axes[size_t(index)];
}

QByteArray ChartState::serialize() const
{
    QByteArray payload;
    payload.reserve(qsizetype(subsets) * points * 12 + 4096);
    Writer w(payload);

    w.put<qint32>(subsets);
    w.put<qint32>(points);
    for (int i = 0; i < subsets; ++i) {
        w.putArray(x[size_t(i)]);
        w.putArray(y[size_t(i)]);
    }
    w.put(nullDataValueY);
    w.put(lineGapThreshold);

    w.put<qint32>(manualScaleControlX);
    w.put(manualMinX);
    w.put(manualMaxX);
    w.put<qint32>(workingAxis);
    w.put<qint32>(qint32(axes.size()));
    for (const ChartAxis& a : axes) {
        w.put<qint32>(a.manualScaleControlY);
        w.put(a.manualMinY);
        w.put(a.manualMaxY);
        w.put(a.label);
        w.put<qint32>(a.multiAxesSubsets);
        w.put(a.multiAxesProportion);
    }

    w.put(mainTitle);
    w.put(subTitle);
    w.put(xAxisLabel);
    w.put<qint32>(qint32(subsetLabels.size()));
    for (const QString& label : subsetLabels)
        w.put(label);
    w.put<qint32>(qint32(subsetColors.size()));
    for (int c : subsetColors)
        w.put<qint32>(c);
    for (int c : {graphForeColor, graphBackColor, deskColor, textColor, arrowCursor})
        w.put<qint32>(c);
    writeOptions(w, options);

    w.put<qint32>(qint32(graphAnnotations.size()));
    for (auto it = graphAnnotations.cbegin(); it != graphAnnotations.cend(); ++it) {
        w.put<qint32>(it.key());
        w.put(it->x);
        w.put(it->y);
        w.put<qint32>(it->type);
        w.put(it->text);
        w.put<qint32>(it->color);
    }
    w.put(showGraphAnnotations);
    w.put<qint32>(graphAnnotationTextSize);
    w.put(allowGraphAnnotHotSpots);
    w.put<qint32>(qint32(vertLineAnnotations.size()));
    for (auto it = vertLineAnnotations.cbegin(); it != vertLineAnnotations.cend(); ++it) {
        w.put<qint32>(it.key());
        w.put(it->x);
        w.put(it->text);
        w.put<qint32>(it->color);
    }
    w.put(showVertLineAnnotations);
    w.put(allowVertLineAnnotHotSpots);
    w.put<qint32>(lineAnnotationTextSize);

    w.put<qint32>(qint32(limitLines.size()));
    for (const LimitLine& l : limitLines) {
        w.put<qint32>(l.subset);
        w.put(l.y);
        w.put(l.high);
    }
    w.put<qint32>(qint32(alarmMarks.size()));
    for (const AlarmMark& m : alarmMarks) {
        w.put(m.x);
        w.put<qint32>(m.subset);
        w.put(m.begins);
        w.put(m.text);
    }

    QByteArray block;
    block.reserve(HeaderSize + payload.size() + HashSize);
    Writer head(block);
    head.put<quint32>(Magic);
    head.put<quint16>(Version);
    head.put<quint32>(quint32(payload.size()));
    block.append(payload);
    block.append(hashOf(payload));
    return block;
}

std::optional<ChartState> ChartState::deserialize(QByteArrayView block, QString* error)
{
    const auto fail = [error](const QString& why) -> std::optional<ChartState> {
        if (error)
            *error = why;
        return std::nullopt;
    };

    if (block.isEmpty())
        return fail(QStringLiteral("the chart data is empty"));
    Reader head(block);
    const quint32 magic = head.get<quint32>();
    const quint16 version = head.get<quint16>();
    const quint32 payloadSize = head.get<quint32>();
    if (!head.ok() || magic != Magic)
        return fail(QStringLiteral("the data is not a TQ612 chart"));
    if (version < 1 || version > Version)
        return fail(QStringLiteral("the chart data has version %1, this program reads versions 1 to %2")
                        .arg(version).arg(Version));
    if (qsizetype(payloadSize) != block.size() - HeaderSize - HashSize)
        return fail(QStringLiteral("the chart data is incomplete or has extra bytes"));
    const QByteArrayView payload = block.sliced(HeaderSize, payloadSize);
    if (hashOf(payload) != block.sliced(HeaderSize + payloadSize).toByteArray())
        return fail(QStringLiteral("the chart data is damaged (checksum mismatch)"));

    Reader r(payload);
    ChartState s;
    s.subsets = r.getCount(MaxSubsets);
    s.points = r.get<qint32>();
    if (s.subsets < 1 || s.points < 0)
        r.fail();
    s.x.assign(size_t(std::max(s.subsets, 0)), {});
    s.y.assign(size_t(std::max(s.subsets, 0)), {});
    for (int i = 0; r.ok() && i < s.subsets; ++i) {
        s.x[size_t(i)] = r.getArray<double>();
        s.y[size_t(i)] = r.getArray<float>();
        if (s.x[size_t(i)].size() != size_t(s.points) || s.y[size_t(i)].size() != size_t(s.points))
            r.fail();
    }
    s.nullDataValueY = r.getDouble();
    s.lineGapThreshold = r.getDouble(0.0);

    s.manualScaleControlX = r.getInt(sgNoneManual, sgManualMinAndMax);
    s.manualMinX = r.getDouble();
    s.manualMaxX = r.getDouble();
    s.workingAxis = r.get<qint32>();
    const int axisCount = r.getCount(MaxAxes);
    s.axes.assign(size_t(axisCount), {});
    for (ChartAxis& a : s.axes) {
        a.manualScaleControlY = r.getInt(sgNoneManual, sgManualMinAndMax);
        a.manualMinY = r.getDouble();
        a.manualMaxY = r.getDouble();
        a.label = r.getString();
        a.multiAxesSubsets = r.getCount(MaxSubsets);
        a.multiAxesProportion = r.getDouble(0.0, 1.0);
    }
    if (s.axes.empty() || s.workingAxis < 0 || s.workingAxis >= axisCount)
        r.fail();

    s.mainTitle = r.getString();
    s.subTitle = r.getString();
    s.xAxisLabel = r.getString();
    const int labelCount = r.getCount(MaxSubsets);
    for (int i = 0; r.ok() && i < labelCount; ++i)
        s.subsetLabels << r.getString();
    const int colorCount = r.getCount(MaxSubsets);
    for (int i = 0; r.ok() && i < colorCount; ++i)
        s.subsetColors.push_back(r.get<qint32>());
    for (int* c : {&s.graphForeColor, &s.graphBackColor, &s.deskColor, &s.textColor})
        *c = r.get<qint32>();
    s.arrowCursor = r.getInt(sgArrowCursor, sgCrossCursor);
    readOptions(r, s.options);

    const qint32 annotationCount = r.get<qint32>();
    if (annotationCount < 0)
        r.fail();
    for (qint32 i = 0; r.ok() && i < annotationCount; ++i) {
        const int index = r.get<qint32>();
        GraphAnnotation a;
        a.x = r.getDouble();
        a.y = r.getDouble();
        a.type = r.get<qint32>();
        if (a.type != sgAnnotTextOnly && a.type != sgAnnotCross)
            r.fail();
        a.text = r.getString();
        a.color = r.get<qint32>();
        s.graphAnnotations.insert(index, a);
    }
    s.showGraphAnnotations = r.get<bool>();
    s.graphAnnotationTextSize = r.getInt(MinTextSizePercent, MaxTextSizePercent);
    s.allowGraphAnnotHotSpots = r.get<bool>();
    const qint32 lineCount = r.get<qint32>();
    if (lineCount < 0)
        r.fail();
    for (qint32 i = 0; r.ok() && i < lineCount; ++i) {
        const int index = r.get<qint32>();
        VertLineAnnotation l;
        l.x = r.getDouble();
        l.text = r.getString();
        l.color = r.get<qint32>();
        s.vertLineAnnotations.insert(index, l);
    }
    s.showVertLineAnnotations = r.get<bool>();
    s.allowVertLineAnnotHotSpots = r.get<bool>();
    s.lineAnnotationTextSize = r.getInt(MinTextSizePercent, MaxTextSizePercent);

    if (version >= 2) {
        const int lines = r.getCount(MaxLimitLines);
        for (int i = 0; r.ok() && i < lines; ++i) {
            LimitLine l;
            l.subset = r.getInt(0, s.subsets - 1);
            l.y = r.getDouble();
            l.high = r.get<bool>();
            s.limitLines.push_back(l);
        }
        const int marks = r.getCount(MaxAlarmMarks);
        for (int i = 0; r.ok() && i < marks; ++i) {
            AlarmMark m;
            m.x = r.getDouble();
            m.subset = r.getInt(0, s.subsets - 1);
            m.begins = r.get<bool>();
            m.text = r.getString();
            s.alarmMarks.push_back(m);
        }
    }

    if (!r.ok() || !r.atEnd())
        return fail(QStringLiteral("the chart data is damaged (its fields do not fit together)"));
    return s;
}
