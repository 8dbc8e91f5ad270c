#include "store/transaction.h"

Transaction::Transaction(Database& db, Kind kind) : m_db(db)
{
    if (db.inTransaction())
        return;
    m_begun =
        db.execute(kind == Kind::Immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    m_open = !m_begun;
}

Transaction::~Transaction()
{
    rollback();
}

Failure Transaction::commit()
{
    if (m_begun)
        return m_begun;
    if (!m_open)
        return {};
    m_open = false;
    const Failure failure = m_db.execute(QStringLiteral("COMMIT"));
    // A commit can fail and leave the transaction open (a busy reader, a full disk): undone,
    // and no journal left behind.
    if (failure && m_db.inTransaction())
        m_db.execute(QStringLiteral("ROLLBACK"));
    return failure;
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    // The engine may have rolled it back by itself already (a full disk, an I/O error).
    if (m_db.inTransaction())
        m_db.execute(QStringLiteral("ROLLBACK"));
}
