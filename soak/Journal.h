#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A station's journal: one line per step of an operation, written and synced before the
// station goes on, so that after a SIGKILL the conductor knows which operation may have been
// in flight. "begin ID KIND KEY...", then one of "done ID NUMBER", "refused ID MESSAGE",
// "failed ID MESSAGE".
class Journal
{
public:
    enum class Outcome { InFlight, Done, Refused, Failed };

    struct Entry
    {
        int station = 0;
        int id = 0;
        QString kind;
        QStringList key;
        Outcome outcome = Outcome::InFlight;
        QString number; // done: the bill or order number, "-" when the operation has none
        QString message;

        // Either outcome is acceptable for an operation that may not have finished: in flight
        // when its station was killed, or failed because the server went away, which may have
        // been during its COMMIT.
        bool mayHaveHappened() const;
        bool happened() const { return outcome == Outcome::Done; }
    };

    explicit Journal(const QString &path);
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    void begin(int id, const QString &kind, const QStringList &key);
    void done(int id, const QString &number);
    void refused(int id, const QString &message);
    void failed(int id, const QString &message);

    // Every operation of one journal in id order; a torn last line is ignored.
    static QList<Entry> read(const QString &path, int station);
    // How many operations a journal has begun: where a restarted station carries on.
    static int begun(const QString &path);

    // Whether an engine's message says the connection was lost rather than the statement
    // refused: such a failure may have hit the COMMIT itself.
    static bool isConnectionLoss(const QString &message);

private:
    void write(const QString &line);
    int m_fd = -1;
};
