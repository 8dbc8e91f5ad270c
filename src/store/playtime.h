#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

// A song's length as the Playtime field keeps it: "hh:mm:ss", zero-padded, so that the
// field's text order is the order of lengths (9:59 before 10:00) and the sqlite3 shell
// shows a time. The grid shows it as m:ss, or h:mm:ss from an hour on.
namespace PlayTime {

// The stored text of a length in seconds, rounded to the nearest second.
QString stored(double seconds);

// The seconds a length written as h:mm:ss, m:ss or a number of seconds stands for;
// nothing for any other text.
std::optional<qint64> seconds(const QString& text);

// A total length: H:MM:SS with as many hours as it takes ("812:03:11").
QString total(qint64 seconds);

// A stored value as the grid shows it; text that is no length is shown as it stands.
QString shown(const QVariant& value);

// What a length typed into the grid is stored as: a length in its stored form, anything
// else as typed; an empty text clears the field.
QVariant fromTyped(const QString& text);

} // namespace PlayTime

class Database;
struct Failure;

// Stores play times into rows of the catalogue on the engine connection, committed
// together about once a second, so that a long run stays fast yet a crash loses at most
// the last second.
class PlayTimeWriter
{
public:
    explicit PlayTimeWriter(Database& db);
    ~PlayTimeWriter(); // commits what is left

    // A failure throws away what was stored since the last commit.
    Failure store(qint64 rowid, double seconds);
    Failure commit();
    // Rows whose play time is committed.
    qint64 committed() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
