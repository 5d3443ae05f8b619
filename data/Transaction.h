#pragma once

class Database;

// Opens a transaction on construction and rolls it back on destruction unless commit() ran, so
// an exception anywhere inside leaves the data as it was. Throws DatabaseError when the
// transaction cannot start or cannot commit.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

  private:
    Database& db_;
    bool done_ = false;
};
