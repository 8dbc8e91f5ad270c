#pragma once

#include "store/database.h"

// One transaction on a connection, the only way the program begins and ends one: begun when
// it is made, committed by commit(), rolled back when it goes without (a failure on the way,
// a return, an exception). Made while the connection is inside a transaction already, it
// joins that one, whose owner commits or rolls back.
class Transaction
{
public:
    enum class Kind
    {
        Deferred, // takes its locks as it goes: reads of one moment, or a batch of additions
        Immediate // the write lock at once: no other writer is met halfway
    };

    explicit Transaction(Database& db, Kind kind = Kind::Deferred);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Why it could not begin (a busy or damaged catalogue); nothing when it is open.
    const Failure& begun() const { return m_begun; }
    // Commits. A commit that fails is rolled back, so the file holds what it held before.
    Failure commit();
    // Ends it without its changes.
    void rollback();

private:
    Database& m_db;
    bool m_open = false; // begun here, and not ended yet
    Failure m_begun;
};
