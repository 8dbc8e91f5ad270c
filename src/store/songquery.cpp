#include "store/songquery.h"

#include "store/playtime.h"

#include <QStringList>

namespace SongQuery {

namespace {

// One term as typed: `text` is what the term says after its "-", a quoted part taken whole
// (its quotes gone); `column` is where it begins, from 1.
struct Term
{
    QString text;
    int column = 1;
    bool negated = false;
    bool quoted = false;    // a quoted part is in it: no OR, no field
    qsizetype quoteAt = -1; // where in `text` the quoted part begins
};

Failure unreadable(const QString& why, int column)
{
    return {FailureNumber::InvalidArgument, QStringLiteral("Query: %1 at column %2").arg(why).arg(column)};
}

bool blank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The query's terms, in order.
Failure split(const QString& query, QList<Term>* terms)
{
    qsizetype i = 0;
    const qsizetype size = query.size();
    while (i < size) {
        if (blank(query[i])) {
            ++i;
            continue;
        }
        Term term;
        if (query[i] == QLatin1Char('-') && i + 1 < size && !blank(query[i + 1])) {
            term.negated = true;
            ++i;
        }
        term.column = int(i) + 1;
        while (i < size && !blank(query[i])) {
            if (query[i] != QLatin1Char('"')) {
                term.text += query[i++];
                continue;
            }
            const qsizetype end = query.indexOf(QLatin1Char('"'), i + 1);
            if (end < 0)
                return unreadable(QStringLiteral("the quote opened here is not closed"), int(i) + 1);
            if (!term.quoted)
                term.quoteAt = term.text.size();
            term.quoted = true;
            term.text += query.mid(i + 1, end - i - 1);
            i = end + 1;
        }
        *terms << term;
    }
    return {};
}

// Builds the condition of one term at a time, its parameters numbered in order.
class Conditions
{
public:
    explicit Conditions(Translation* out) : m_out(out) {}

    Failure of(const Term& term, QString* condition)
    {
        const QString lower = term.text.left(term.quoted ? term.quoteAt : term.text.size()).toLower();
        for (const auto& [name, column] : textFields()) {
            for (const QChar separator : {QLatin1Char(':'), QLatin1Char('=')}) {
                if (!lower.startsWith(name + separator))
                    continue;
                const QString value = term.text.mid(name.size() + 1);
                if (value.isEmpty())
                    return unreadable(QStringLiteral("expected a text after '%1%2'").arg(name, separator),
                                      term.column + int(name.size()) + 1);
                *condition = matching(column, value, separator == QLatin1Char('='));
                reads(name == QLatin1String("path")
                          ? QStringList{QStringLiteral("FullPath"), QStringLiteral("FileName"),
                                        QStringLiteral("Artist"), QStringLiteral("Title")}
                          : QStringList{column});
                return {};
            }
        }
        if (lower.startsWith(QLatin1String("oncd:")))
            return onCd(term, condition);
        if (lower.startsWith(QLatin1String("time")) && lower.size() > 4 &&
            QStringLiteral(":=<>").contains(lower[4]))
            return playTime(term, condition);
        // A bare word or phrase: in the artist, the title or the category.
        reads({QStringLiteral("Artist"), QStringLiteral("Title"), QStringLiteral("Category")});
        const QString number = parameter(term.text);
        *condition = QStringLiteral("folded_has(%1, Artist, Title, Category)").arg(number);
        return {};
    }

private:
    static const QList<std::pair<QString, QString>>& textFields()
    {
        // The file's name is its own where the row keeps one, else the name the row rebuilds.
        static const QList<std::pair<QString, QString>> fields = {
            {QStringLiteral("artist"), QStringLiteral("Artist")},
            {QStringLiteral("title"), QStringLiteral("Title")},
            {QStringLiteral("cat"), QStringLiteral("Category")},
            {QStringLiteral("disc"), QStringLiteral("MP3cd")},
            {QStringLiteral("path"),
             QStringLiteral("FullPath || ifnull(FileName, Artist || '-' || Title || '.mp3')")},
        };
        return fields;
    }

    void reads(const QStringList& columns)
    {
        for (const QString& column : columns) {
            if (!m_out->columns.contains(column))
                m_out->columns << column;
        }
    }

    QString parameter(const QVariant& value)
    {
        m_out->parameters << value;
        return QStringLiteral("?%1").arg(m_out->parameters.size());
    }

    QString matching(const QString& column, const QString& value, bool whole)
    {
        return QStringLiteral("%1(%2, %3)")
            .arg(whole ? QStringLiteral("folded_is") : QStringLiteral("folded_has"), parameter(value),
                 column);
    }

    Failure onCd(const Term& term, QString* condition)
    {
        reads({QStringLiteral("ONcd")});
        const QString value = term.text.mid(5).toLower();
        if (value != QLatin1String("yes") && value != QLatin1String("no"))
            return unreadable(QStringLiteral("expected yes or no after 'oncd:'"), term.column + 5);
        *condition = value == QLatin1String("yes") ? QStringLiteral("ifnull(ONcd, 0) <> 0")
                                                   : QStringLiteral("ifnull(ONcd, 0) = 0");
        return {};
    }

    Failure playTime(const Term& term, QString* condition)
    {
        reads({QStringLiteral("Playtime")});
        const QString text = term.text;
        QString op = text.mid(4, 1);
        if ((op == QLatin1String(">") || op == QLatin1String("<")) && text.mid(5, 1) == QLatin1String("="))
            op += QLatin1Char('=');
        const QString value = text.mid(4 + op.size());
        const int valueColumn = term.column + 4 + int(op.size());
        const auto expectedTime = [&] {
            return unreadable(QStringLiteral("expected a time after 'time%1'").arg(op), valueColumn);
        };
        const QString seconds = QStringLiteral("play_seconds(Playtime)");
        if (op == QLatin1String(":") && value.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) {
            *condition = seconds + QStringLiteral(" IS NULL");
            return {};
        }
        if (op == QLatin1String(":") && value.contains(QLatin1String(".."))) {
            const std::optional<qint64> from = PlayTime::seconds(value.section(QLatin1String(".."), 0, 0));
            const std::optional<qint64> to = PlayTime::seconds(value.section(QLatin1String(".."), 1));
            if (!from || value.section(QLatin1String(".."), 0, 0).isEmpty())
                return expectedTime();
            if (!to || value.section(QLatin1String(".."), 1).isEmpty())
                return unreadable(QStringLiteral("expected a time after '..'"),
                                  valueColumn + int(value.indexOf(QLatin1String(".."))) + 2);
            *condition = QStringLiteral("ifnull(%1 BETWEEN %2 AND %3, 0)")
                             .arg(seconds, parameter(*from), parameter(*to));
            return {};
        }
        const std::optional<qint64> length = PlayTime::seconds(value);
        if (!length || value.isEmpty())
            return expectedTime();
        const QString sqlOp = op == QLatin1String(":") ? QStringLiteral("=") : op;
        *condition = QStringLiteral("ifnull(%1 %2 %3, 0)").arg(seconds, sqlOp, parameter(*length));
        return {};
    }

    Translation* m_out;
};

} // namespace

Failure translate(const QString& query, Translation* translation)
{
    *translation = Translation();
    QList<Term> terms;
    if (Failure f = split(query, &terms))
        return f;
    if (terms.isEmpty())
        return unreadable(QStringLiteral("nothing to look for"), 1);
    Conditions conditions(translation);
    QList<QStringList> groups; // all of them must hold; within each, any one
    bool joining = false;      // an OR waits for the term after it
    int orColumn = 0;
    for (const Term& term : std::as_const(terms)) {
        if (!term.quoted && !term.negated && term.text == QLatin1String("OR")) {
            if (groups.isEmpty() || joining)
                return unreadable(QStringLiteral("'OR' needs a term on each side"), term.column);
            joining = true;
            orColumn = term.column;
            continue;
        }
        QString condition;
        if (Failure f = conditions.of(term, &condition))
            return f;
        if (term.negated)
            condition = QStringLiteral("NOT ") + condition;
        if (joining)
            groups.last() << condition;
        else
            groups << QStringList{condition};
        joining = false;
    }
    if (joining)
        return unreadable(QStringLiteral("'OR' needs a term on each side"), orColumn);
    QStringList all;
    for (const QStringList& group : std::as_const(groups))
        all << (group.size() == 1 ? group.first()
                                  : QLatin1Char('(') + group.join(QStringLiteral(" OR ")) + QLatin1Char(')'));
    translation->condition = all.join(QStringLiteral(" AND "));
    return {};
}

QString help()
{
    return QStringLiteral("kestrel harbour — every word: in the artist, the title or the category\n"
                          "rock OR pop — either term;  -live — leave out what matches\n"
                          "\"harbour lights\" — a phrase is one term\n"
                          "artist:kes  title:  cat:  disc:  path: — the field holds the text\n"
                          "artist=ABBA — the field is the text, whole\n"
                          "oncd:yes  oncd:no — burned to CD, or not yet\n"
                          "time>5:00  time<1:30  time>=  time<= — the play time (h:mm:ss or m:ss)\n"
                          "time:3:00..4:00 — between two play times;  time:none — no play time\n"
                          "Letter case and accents do not count; % and _ are characters like any\n"
                          "Example: artist:kestrel -title:live time>3:00 oncd:no");
}

} // namespace SongQuery
