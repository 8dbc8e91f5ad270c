#include "output/listing.h"

#include "store/recordset.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <cmath>
#include <functional>
#include <limits>

namespace {

// The printed fields by stored position, and how much of each is printed (0: all).
constexpr int printedFields[5] = {Song::Artist, Song::Title, Song::ONcd, Song::MP3cd, Song::Category};
constexpr int printedLength[5] = {40, 40, 0, 19, 0};

// A print position that moves the way a line printer's does: text goes at character
// columns, and a column that the line has already passed continues on the next line. The
// same holds at the page's right edge: text that would run past it goes on the next line
// (moved left as far as it must to fit, or broken where it is wider than the page), and a
// line that would run past the foot of the page goes on a new one.
// Text of simple scripts is laid out from the font's own glyphs and advances and drawn in
// glyph runs, which is many times cheaper than shaping every cell; anything else
// (a script that needs shaping, a character the font lacks) is drawn as ordinary text.
class Cursor
{
public:
    Cursor(QPainter& painter, const QFont& font, const QFontMetricsF& metrics, qreal lineHeight, qreal width,
           qreal foot)
        : m_painter(painter), m_metrics(metrics), m_raw(QRawFont::fromFont(font)), m_lineHeight(lineHeight),
          m_columnWidth(metrics.averageCharWidth()), m_width(width), m_foot(foot)
    {
        m_run.setRawFont(m_raw);
    }

    // Called when the next line would pass the foot of the page, once the page holds a line
    // below its head; it starts a new page.
    void onPageFull(std::function<void()> newPage) { m_newPage = std::move(newPage); }
    // The page head is printed: lines below it may be moved on to a new page.
    void headDone() { m_headFoot = m_y; }

    void at(int column, const QString& text)
    {
        qreal x = (column - 1) * m_columnWidth;
        if (m_x > x)
            newLine();
        const qreal advance = advanceOf(text);
        if (x + advance > m_width) {
            if (m_x > 0)
                newLine();
            x = std::max<qreal>(0, std::min(x, m_width - advance));
        }
        m_x = x;
        write(text);
    }
    void write(const QString& text)
    {
        if (text.isEmpty())
            return;
        if (!plain(text)) {
            flush();
            writeShaped(text);
            return;
        }
        for (qsizetype i = 0; i < m_glyphs.size(); ++i) {
            if (m_x > 0 && m_x + m_advances[i].x() > m_width)
                newLine();
            // A blank leaves its gap and needs no glyph of its own.
            if (text[i] != QLatin1Char(' ')) {
                m_lineGlyphs.append(m_glyphs[i]);
                // Whole device units (1/1200 inch on a printer) keep the printer's numbers short.
                m_linePositions.append(QPointF(std::round(m_x), std::round(m_y + m_metrics.ascent())));
            }
            m_x += m_advances[i].x();
        }
    }
    void newLine()
    {
        m_y += m_lineHeight;
        m_x = 0;
        if (m_newPage && m_y > m_headFoot && m_y + m_lineHeight > m_foot) {
            m_headFoot = std::numeric_limits<qreal>::max(); // none while the new page's head prints
            m_newPage();
        }
    }
    qreal y() const { return m_y; }
    void moveTo(qreal x, qreal y)
    {
        m_x = x;
        m_y = y;
    }
    // Draws the glyphs gathered since the last time: one run a page keeps the printer's
    // text commands few.
    void flush()
    {
        if (m_lineGlyphs.isEmpty())
            return;
        m_run.setGlyphIndexes(m_lineGlyphs);
        m_run.setPositions(m_linePositions);
        m_painter.drawGlyphRun(QPointF(0, 0), m_run);
        m_lineGlyphs.clear();
        m_linePositions.clear();
    }

private:
    // How far `text` moves the position, as write() lays it out.
    qreal advanceOf(const QString& text)
    {
        if (!plain(text))
            return m_metrics.horizontalAdvance(text);
        qreal sum = 0;
        for (const QPointF& step : std::as_const(m_advances))
            sum += step.x();
        return sum;
    }

    // Text drawn as ordinary text, a piece a line where it is wider than the rest of the line.
    void writeShaped(const QString& text)
    {
        QString rest = text;
        while (!rest.isEmpty()) {
            qsizetype fits = rest.size();
            while (fits > 1 && m_x + m_metrics.horizontalAdvance(rest.left(fits)) > m_width)
                --fits;
            if (fits < rest.size() && m_x > 0 && m_metrics.horizontalAdvance(rest.left(fits)) < m_width / 2) {
                newLine();
                continue;
            }
            m_painter.drawText(QPointF(m_x, m_y + m_metrics.ascent()), rest.left(fits));
            m_x += m_metrics.horizontalAdvance(rest.left(fits));
            rest.remove(0, fits);
            if (!rest.isEmpty())
                newLine();
        }
    }

    // Looks `text` up in the font: true when every character is of a script drawn glyph by
    // glyph and the font has it; m_glyphs and m_advances then hold its layout.
    bool plain(const QString& text)
    {
        if (!m_raw.isValid())
            return false;
        for (const QChar c : text) {
            if (c.unicode() >= 0x0590 || c.isSurrogate())
                return false;
        }
        m_glyphs = m_raw.glyphIndexesForString(text);
        if (m_glyphs.size() != text.size() || m_glyphs.contains(0u))
            return false;
        m_advances = m_raw.advancesForGlyphIndexes(m_glyphs);
        return m_advances.size() == m_glyphs.size();
    }

    QPainter& m_painter;
    const QFontMetricsF& m_metrics;
    QRawFont m_raw;
    QGlyphRun m_run;
    qreal m_lineHeight;
    qreal m_columnWidth;
    qreal m_width;
    qreal m_foot;
    qreal m_headFoot = std::numeric_limits<qreal>::max();
    std::function<void()> m_newPage;
    qreal m_x = 0;
    qreal m_y = 0;
    QList<quint32> m_glyphs;
    QList<QPointF> m_advances;
    QList<quint32> m_lineGlyphs;
    QList<QPointF> m_linePositions;
};

QString fieldText(int slot, const QVariant& value)
{
    if (printedFields[slot] == Song::ONcd)
        return !value.isNull() && value.toLongLong() == 0 ? QStringLiteral("NotYet") : QStringLiteral("Yes");
    const QString text = value.toString();
    return printedLength[slot] > 0 ? text.left(printedLength[slot]) : text;
}

// Only the grid font's name and size go to the printer. A size too large for a page to
// hold its head and a line of rows (a dozen lines) is made as much smaller as it must.
QFont printerFont(const QFont& gridFont, QPagedPaintDevice& device)
{
    QFont font(gridFont.family());
    font.setPointSizeF(gridFont.pointSizeF());
    while (QFontMetricsF(font, &device).lineSpacing() * 12 > device.height() && font.pointSizeF() > 2)
        font.setPointSizeF(font.pointSizeF() * 0.9);
    return QFont(font, &device);
}

// The page line from the middle of the page, an empty line, the field names and another
// empty line.
void printPageHead(Cursor& cursor, const QString& pageLine, qreal middle, qreal lineHeight)
{
    cursor.moveTo(middle, 0);
    cursor.write(pageLine);
    cursor.moveTo(0, 2 * lineHeight);
    for (int slot = 0; slot < 5; ++slot)
        cursor.at(Listing::headingColumns[slot], Song::fieldNames()[printedFields[slot]]);
    cursor.newLine();
    cursor.newLine();
}

// The record set on the last row printed, and past it when every row was printed.
void leaveWhereTheWalkEnded(RecordSet& records, qint64 printed)
{
    if (printed > 0)
        records.moveTo(printed - 1);
    if (printed == records.recordCount())
        records.moveNext();
}

// Four lines of page head above the rows and five spare lines below them; a font too large
// for that still prints, one row a page.
qint64 rowsPerPage(const QPagedPaintDevice& device, qreal lineHeight)
{
    return std::max<qint64>(1, qint64(std::floor(device.height() / lineHeight)) - 9);
}

// A job that failed or was stopped is handed over to be dropped before it is closed.
void endJob(QPainter& painter, Listing::Result& result, const std::function<void()>& abandon)
{
    if ((result.abandoned || result.deviceFailed) && abandon)
        abandon();
    if (!painter.end())
        result.deviceFailed = true;
}

} // namespace

Listing::Result Listing::print(RecordSet& records, QPagedPaintDevice& device, const QFont& gridFont,
                               const Progress& progress, const std::function<void()>& abandon)
{
    Result result;
    const qint64 count = records.recordCount();
    if (count == 0)
        return result;
    device.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&device)) {
        result.deviceFailed = true;
        return result;
    }
    const QFont font = printerFont(gridFont, device);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &device);
    const qreal lineHeight = std::round(metrics.lineSpacing());
    const qint64 perPage = rowsPerPage(device, lineHeight);

    // Nothing is printed in the five spare lines at the foot.
    Cursor cursor(painter, font, metrics, lineHeight, device.width(), device.height() - 5 * lineHeight);
    qint64 page = 1;
    qint64 onPage = 0;
    auto pageHead = [&](const QString& word) {
        printPageHead(cursor, word + QStringLiteral("  %1 ").arg(page), device.width() / 2.0, lineHeight);
        cursor.headDone();
    };
    // Every finished page is reported; a stop leaves the page as it is.
    auto newPage = [&] {
        if (progress && !progress(result.rows)) {
            result.abandoned = true;
            return;
        }
        ++page;
        onPage = 0;
        cursor.flush();
        if (!device.newPage())
            result.deviceFailed = true;
        pageHead(QStringLiteral("Page"));
    };
    // Rows that take more than a line (a large font) may fill a page before its count of rows.
    cursor.onPageFull(newPage);

    records.moveFirst();
    pageHead(QStringLiteral("page"));
    for (qint64 row = 0; row < count && !result.deviceFailed && !result.abandoned; ++row) {
        for (int slot = 0; slot < 5; ++slot)
            cursor.at(rowColumns[slot], fieldText(slot, records.value(row, printedFields[slot])));
        ++result.rows;
        ++onPage;
        cursor.newLine();
        if (onPage > 0 && onPage >= perPage)
            newPage();
    }
    cursor.flush();
    result.pages = page;
    endJob(painter, result, abandon);
    leaveWhereTheWalkEnded(records, result.rows);
    return result;
}
