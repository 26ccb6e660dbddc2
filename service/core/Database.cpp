#include "service/core/Database.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace orb {

const char* toText(DbStatus s) {
    switch (s) {
        case DbStatus::Ok:
            return "ok";
        case DbStatus::NotFound:
            return "not found";
        case DbStatus::Conflict:
            return "conflicts with what is stored";
        case DbStatus::Full:
            return "the disk is full";
        case DbStatus::ReadOnly:
            return "the database cannot be written";
        case DbStatus::Failed:
            return "the database failed";
    }
    return "?";
}

DbStatus dbStatusOf(int code) {
    switch (code & 0xff) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return DbStatus::Ok;
        case SQLITE_CONSTRAINT:
            return DbStatus::Conflict;
        case SQLITE_FULL:
            return DbStatus::Full;
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            return DbStatus::ReadOnly;
        default:
            return DbStatus::Failed;
    }
}

// --- Statement ---

Statement::Statement(Statement&& other) noexcept
    : stmt_(other.stmt_), inUse_(other.inUse_), status_(other.status_) {
    other.stmt_ = nullptr;
    other.inUse_ = nullptr;
}

Statement::~Statement() {
    if (!stmt_) return;
    if (inUse_) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        *inUse_ = false;
    } else {
        sqlite3_finalize(stmt_);
    }
}

namespace {
DbStatus bindResult(int code) {
    return code == SQLITE_OK ? DbStatus::Ok : dbStatusOf(code);
}
}  // namespace

Statement& Statement::bind(int i, int64_t v) {
    if (stmt_ && status_ == DbStatus::Ok) status_ = bindResult(sqlite3_bind_int64(stmt_, i, v));
    return *this;
}

Statement& Statement::bind(int i, double v) {
    if (stmt_ && status_ == DbStatus::Ok) status_ = bindResult(sqlite3_bind_double(stmt_, i, v));
    return *this;
}

Statement& Statement::bind(int i, std::string_view v) {
    if (stmt_ && status_ == DbStatus::Ok)
        status_ =
            bindResult(sqlite3_bind_text64(stmt_, i, v.data(), v.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Statement& Statement::bind(int i, std::span<const uint8_t> v) {
    if (stmt_ && status_ == DbStatus::Ok)
        status_ = bindResult(sqlite3_bind_blob64(stmt_, i, v.data(), v.size(), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bind(int i, std::nullopt_t) {
    if (stmt_ && status_ == DbStatus::Ok) status_ = bindResult(sqlite3_bind_null(stmt_, i));
    return *this;
}

bool Statement::step() {
    if (!stmt_ || status_ != DbStatus::Ok) return false;
    const int code = sqlite3_step(stmt_);
    if (code == SQLITE_ROW) return true;
    status_ = dbStatusOf(code);
    return false;
}

DbStatus Statement::run() {
    while (step()) {
    }
    return status_;
}

bool Statement::isNull(int col) const {
    return sqlite3_column_type(stmt_, col) == SQLITE_NULL;
}
int64_t Statement::integer(int col) const {
    return sqlite3_column_int64(stmt_, col);
}
double Statement::real(int col) const {
    return sqlite3_column_double(stmt_, col);
}

std::string Statement::text(int col) const {
    const auto* p = sqlite3_column_text(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
}

std::optional<int64_t> Statement::optionalInteger(int col) const {
    if (isNull(col)) return std::nullopt;
    return integer(col);
}

std::optional<std::string> Statement::optionalText(int col) const {
    if (isNull(col)) return std::nullopt;
    return text(col);
}

std::vector<uint8_t> Statement::blob(int col) const {
    const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, col));
    const int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
}

// --- Database ---

Database::~Database() {
    for (auto& [sql, cached] : statements_) sqlite3_finalize(cached.stmt);
    if (db_) sqlite3_close(db_);
}

namespace {

// The single text a pragma returns, or the error code.
int pragmaText(sqlite3* db, const char* sql, std::string& out) {
    sqlite3_stmt* stmt = nullptr;
    int code = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (code == SQLITE_OK) {
        code = sqlite3_step(stmt);
        if (code == SQLITE_ROW) {
            const auto* p = sqlite3_column_text(stmt, 0);
            out = p ? reinterpret_cast<const char*>(p) : "";
            code = SQLITE_OK;
        } else if (code == SQLITE_DONE) {
            code = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    return code;
}

DbOpenResult refusal(const std::string& path, const std::string& why) {
    return {false, path + ": " + why};
}

}  // namespace

DbOpenResult Database::open(const std::string& path) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return refusal(path, "not a regular file");
    // A file its owner may not write is read-only to the service too, even when run as root.
    if (exists && ((st.st_mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0))
        return refusal(path, "the file is read-only");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (!exists) flags |= SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        const std::string why = db ? sqlite3_errmsg(db) : "cannot be opened";
        sqlite3_close(db);
        return refusal(path, why);
    }
    const auto fail = [&](const std::string& why) {
        sqlite3_close(db);
        return refusal(path, why);
    };
    if (sqlite3_db_readonly(db, "main") == 1) return fail("the file is read-only");
    sqlite3_busy_timeout(db, 5000);
    sqlite3_extended_result_codes(db, 1);
    // Read before anything could be written: a file that is not an intact database is refused
    // while it is still exactly as it was found.
    std::string check;
    int code = pragmaText(db, "PRAGMA quick_check", check);
    if (code != SQLITE_OK)
        return fail(std::string("not a usable SQLite database (") + sqlite3_errstr(code) + ")");
    if (check != "ok") return fail("the database is corrupt (" + check + ")");
    std::string mode;
    code = pragmaText(db, "PRAGMA journal_mode=WAL", mode);
    if (code != SQLITE_OK || mode != "wal")
        return fail(std::string("cannot be written (") +
                    (code != SQLITE_OK ? sqlite3_errstr(code) : mode.c_str()) + ")");
    if (sqlite3_exec(db, "PRAGMA foreign_keys=ON; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr) !=
        SQLITE_OK)
        return fail(sqlite3_errmsg(db));
    db_ = db;
    path_ = path;
    return {true, {}};
}

Statement Database::prepare(std::string_view sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
        sqlite3_stmt* stmt = nullptr;
        const int code = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                            SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (code != SQLITE_OK)
            return Statement(nullptr, nullptr,
                             dbStatusOf(code) == DbStatus::Ok ? DbStatus::Failed : dbStatusOf(code));
        it = statements_.emplace(std::string(sql), Cached{stmt, false}).first;
    }
    if (!it->second.inUse) {
        it->second.inUse = true;
        return Statement(it->second.stmt, &it->second.inUse, DbStatus::Ok);
    }
    sqlite3_stmt* own = nullptr;
    const int code = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &own, nullptr);
    return Statement(own, nullptr, code == SQLITE_OK ? DbStatus::Ok : DbStatus::Failed);
}

DbStatus Database::exec(const char* sql) {
    return dbStatusOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

int64_t Database::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}
int Database::changes() const {
    return sqlite3_changes(db_);
}
std::string Database::lastMessage() const {
    return db_ ? sqlite3_errmsg(db_) : "not open";
}

int Database::userVersion() {
    std::string v;
    if (pragmaText(db_, "PRAGMA user_version", v) != SQLITE_OK) return -1;
    return std::atoi(v.c_str());
}

DbStatus Database::setUserVersion(int version) {
    const std::string sql = "PRAGMA user_version=" + std::to_string(version);
    return dbStatusOf(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr));
}

// --- Transaction ---

Transaction::Transaction(Database& db) : db_(db), began_(db.exec("BEGIN IMMEDIATE")) {
    open_ = began_ == DbStatus::Ok;
}

Transaction::~Transaction() {
    if (open_) db_.exec("ROLLBACK");
}

DbStatus Transaction::commit() {
    if (!open_) return began_ == DbStatus::Ok ? DbStatus::Failed : began_;
    const DbStatus s = db_.exec("COMMIT");
    if (s == DbStatus::Ok) open_ = false;
    return s;
}

}  // namespace orb
