#pragma once
// A small RAII layer over one SQLite connection: opening (refusing a file that is corrupt,
// read-only or unwritable, never replacing it), prepared statements kept for the connection's
// life, and transactions that roll back unless committed. One mutex serialises every use of the
// connection; the store's areas take it around each operation.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orb {

enum class DbStatus {
    Ok,
    NotFound,  // no row where one was asked for
    Conflict,  // a constraint: a name taken, a row still used by another
    Full,      // the disk (or the database's page limit) is full
    ReadOnly,  // the file or its folder cannot be written
    Failed,    // anything else; the connection's message says what
};

const char* toText(DbStatus s);

class Statement {
  public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    ~Statement();  // resets the statement for its next use

    // Parameters are numbered from 1.
    Statement& bind(int i, int64_t v);
    Statement& bind(int i, int v) { return bind(i, static_cast<int64_t>(v)); }
    Statement& bind(int i, bool v) { return bind(i, static_cast<int64_t>(v)); }
    Statement& bind(int i, double v);
    Statement& bind(int i, std::string_view v);
    Statement& bind(int i, const char* v) { return bind(i, std::string_view(v)); }
    Statement& bind(int i, const std::string& v) { return bind(i, std::string_view(v)); }
    Statement& bind(int i, std::span<const uint8_t> v);
    Statement& bind(int i, std::nullopt_t);
    template <class T>
    Statement& bind(int i, const std::optional<T>& v) {
        return v ? bind(i, *v) : bind(i, std::nullopt);
    }
    // Binds the arguments to parameters 1, 2, ...
    template <class... Args>
    Statement& bindAll(const Args&... args) & {
        int i = 0;
        (bind(++i, args), ...);
        return *this;
    }
    template <class... Args>
    Statement&& bindAll(const Args&... args) && {
        int i = 0;
        (bind(++i, args), ...);
        return std::move(*this);
    }

    // True while there is a row to read; false at the end or on an error (status() tells).
    bool step();
    // Runs a statement that returns no rows; its status.
    DbStatus run();
    DbStatus status() const { return status_; }

    // Columns are numbered from 0.
    bool isNull(int col) const;
    int64_t integer(int col) const;
    double real(int col) const;
    std::string text(int col) const;
    std::optional<int64_t> optionalInteger(int col) const;
    std::optional<std::string> optionalText(int col) const;
    std::vector<uint8_t> blob(int col) const;

  private:
    friend class Database;
    Statement(sqlite3_stmt* stmt, bool* inUse, DbStatus prepared)
        : stmt_(stmt), inUse_(inUse), status_(prepared) {}

    sqlite3_stmt* stmt_;
    bool* inUse_;  // the cache's flag; null for a statement of its own, finalized when done
    DbStatus status_;
};

// The outcome of opening the file; Ok or a refusal whose message names the file.
struct DbOpenResult {
    bool ok = false;
    std::string message;
};

class Database {
  public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens PATH (creating it when missing) in WAL mode with foreign keys on and a busy timeout,
    // and checks that it is an intact, writable SQLite database. A file that is not is refused
    // and left exactly as it was.
    DbOpenResult open(const std::string& path);
    bool isOpen() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }

    // The mutex every user of the connection holds.
    std::mutex& mutex() { return mutex_; }

    // A statement prepared once and kept for the connection's life (the service's SQL texts are
    // few); a second use of the same text while the first is alive gets a statement of its own.
    Statement prepare(std::string_view sql);
    // Runs SQL that may hold several statements and returns no rows.
    DbStatus exec(const char* sql);

    int64_t lastInsertId() const;
    int changes() const;
    // The connection's last error message, for logs.
    std::string lastMessage() const;

    int userVersion();
    DbStatus setUserVersion(int version);

  private:
    DbStatus statusOf(int code) const;
    friend class Statement;

    sqlite3* db_ = nullptr;
    std::string path_;
    struct Cached {
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
    };
    std::map<std::string, Cached, std::less<>> statements_;
    std::mutex mutex_;
};

// BEGIN IMMEDIATE ... COMMIT; rolled back when destroyed uncommitted.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    DbStatus began() const { return began_; }
    DbStatus commit();

  private:
    Database& db_;
    DbStatus began_;
    bool open_ = false;
};

// Holds the connection, runs BODY (returning a DbStatus) in one transaction and commits when
// it gave Ok; anything else rolls back.
template <class Body>
DbStatus inTransaction(Database& db, Body&& body) {
    std::lock_guard lock(db.mutex());
    Transaction tx(db);
    if (tx.began() != DbStatus::Ok) return tx.began();
    if (const DbStatus s = body(); s != DbStatus::Ok) return s;
    return tx.commit();
}

// sqlite's result code to a status; exposed for Statement.
DbStatus dbStatusOf(int sqliteCode);

}  // namespace orb
