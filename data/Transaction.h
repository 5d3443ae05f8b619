#pragma once

class Database;

// Opens a transaction on construction and rolls it back on destruction unless commit() ran, so
// an exception anywhere inside leaves the data as it was. Throws DatabaseError when the
// transaction cannot start or cannot commit, also when the engine has already rolled it back
// by itself (full disk, failing file).
//
// Inside another transaction it becomes a savepoint: its own work rolls back on failure, and
// what it committed is written only when the outer transaction commits. So an operation made of
// several steps that each guard themselves can still be made all or nothing as a whole.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

  private:
    Database& db_;
    bool nested_ = false;
    bool done_ = false;
};
