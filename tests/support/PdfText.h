#pragma once
// What a printed PDF shows, read back with poppler's `pdftotext -bbox`: the
// page size and every word with its box, in points.

#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <map>

namespace PdfText {

struct Word {
    QString text;
    QRectF box;
};

struct Page {
    QSizeF size;
    QList<Word> words;
};

// The first page of `pdf`.
inline Page read(const QString& pdf)
{
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                             QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(tool.waitForFinished(30000)) << "pdftotext (poppler-utils) runs";
    const QString html = QString::fromUtf8(tool.readAllStandardOutput());
    Page page;
    const QRegularExpression pageTag(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re"));
    if (const auto m = pageTag.match(html); m.hasMatch())
        page.size = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    const QRegularExpression wordTag(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = wordTag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        page.words.push_back({m.captured(5), QRectF(topLeft, bottomRight)});
    }
    return page;
}

inline QStringList texts(const QList<Word>& words)
{
    QStringList out;
    for (const Word& w : words)
        out << w.text;
    return out;
}

// The words of `page` line by line, top down: words whose tops round to the
// same point share a line.
inline QList<QList<Word>> lines(const Page& page)
{
    std::map<long, QList<Word>> byTop;
    for (const Word& w : page.words)
        byTop[std::lround(w.box.top())].push_back(w);
    QList<QList<Word>> out;
    for (const auto& [top, words] : byTop)
        out.push_back(words);
    return out;
}

// A printed graph a user can read: the `expected` words (titles, legend
// names) are there, every word sits on the page at a sane size, and the
// plot fills the page, its time labels running across it and its Y tick
// labels down it.
inline void expectReadableGraph(const Page& page, const QStringList& expected)
{
    const QStringList words = texts(page.words);
    for (const QString& w : expected)
        EXPECT_TRUE(words.contains(w)) << w.toStdString() << " in " << words.join(' ').toStdString();

    QList<Word> timeLabels;
    double lowestTick = page.size.height();
    double highestTick = 0;
    const QRegularExpression time(QStringLiteral(R"(^\d{1,2}:\d\d:\d\d$)"));
    for (const Word& w : page.words) {
        // Across its lines: the height of a word, the width of an upright axis title.
        EXPECT_LT(std::min(w.box.width(), w.box.height()), 24) << w.text.toStdString() << " is printed at a sane size";
        EXPECT_TRUE(QRectF(QPointF(0, 0), page.size).contains(w.box)) << w.text.toStdString() << " on the page";
        if (time.match(w.text).hasMatch())
            timeLabels << w;
        bool number = false;
        w.text.toDouble(&number);
        if (number && w.box.left() < page.size.width() / 4) {
            lowestTick = std::min(lowestTick, w.box.top());
            highestTick = std::max(highestTick, w.box.bottom());
        }
    }
    ASSERT_GE(timeLabels.size(), 3) << words.join(' ').toStdString();
    double left = page.size.width(), right = 0;
    for (const Word& w : timeLabels) {
        left = std::min(left, w.box.left());
        right = std::max(right, w.box.right());
    }
    EXPECT_GT(right - left, page.size.width() * 0.6);
    EXPECT_GT(highestTick - lowestTick, page.size.height() * 0.6);
}

} // namespace PdfText
