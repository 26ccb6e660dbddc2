#include "service/core/Schema.h"

#include <iterator>

namespace orb {

namespace {

// In order; never edit one that has shipped, add the next.
constexpr const char* kMigrations[] = {
    // 1: the first schema. Times are local "YYYY-MM-DDTHH:MM:SS.mmm" texts of the service's clock.
    R"sql(
CREATE TABLE users (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  role TEXT NOT NULL CHECK (role IN ('viewer', 'operator', 'admin')),
  password_hash TEXT NOT NULL,
  created TEXT NOT NULL
);
-- Tokens and session ids are random; only their hashes are kept.
CREATE TABLE api_tokens (
  id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  token_hash BLOB NOT NULL UNIQUE,
  created TEXT NOT NULL,
  expires TEXT
);
CREATE TABLE sessions (
  id INTEGER PRIMARY KEY,
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  token_hash BLOB NOT NULL UNIQUE,
  csrf TEXT NOT NULL,
  created TEXT NOT NULL,
  expires TEXT NOT NULL
);
CREATE TABLE signs (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  link TEXT NOT NULL,
  model TEXT NOT NULL,
  width INTEGER NOT NULL CHECK (width BETWEEN 5 AND 40),
  height INTEGER NOT NULL CHECK (height BETWEEN 1 AND 8),
  location TEXT NOT NULL,
  notes TEXT NOT NULL,
  created TEXT NOT NULL
);
CREATE TABLE groups (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  created TEXT NOT NULL
);
CREATE TABLE sign_groups (
  sign_id INTEGER NOT NULL REFERENCES signs(id) ON DELETE CASCADE,
  group_id INTEGER NOT NULL REFERENCES groups(id) ON DELETE CASCADE,
  PRIMARY KEY (sign_id, group_id)
);
CREATE INDEX sign_groups_group ON sign_groups(group_id);
CREATE TABLE programs (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  created TEXT NOT NULL
);
-- Immutable once written. STORE is the item store the sign is sent, its picture paths naming
-- files of the content store; JSON is the program as uploaded, its paths relative to the bundle.
CREATE TABLE program_versions (
  program_id INTEGER NOT NULL REFERENCES programs(id) ON DELETE CASCADE,
  version INTEGER NOT NULL,
  json TEXT NOT NULL,
  store BLOB NOT NULL,
  item_count INTEGER NOT NULL,
  created_by TEXT NOT NULL,
  created TEXT NOT NULL,
  PRIMARY KEY (program_id, version)
);
CREATE TABLE program_files (
  program_id INTEGER NOT NULL,
  version INTEGER NOT NULL,
  name TEXT NOT NULL,
  hash TEXT NOT NULL,
  PRIMARY KEY (program_id, version, name),
  FOREIGN KEY (program_id, version) REFERENCES program_versions(program_id, version) ON DELETE CASCADE
);
CREATE INDEX program_files_hash ON program_files(hash);
-- No row: what the sign holds is not known. A program is recorded only after its read-back
-- matched; a version a sign holds cannot be deleted.
CREATE TABLE sign_holdings (
  sign_id INTEGER PRIMARY KEY REFERENCES signs(id) ON DELETE CASCADE,
  kind TEXT NOT NULL CHECK (kind IN ('program', 'empty')),
  program_id INTEGER,
  version INTEGER,
  since TEXT,
  verified TEXT NOT NULL,
  FOREIGN KEY (program_id, version) REFERENCES program_versions(program_id, version)
);
-- The settings each sign was last given, each with the time it acknowledged them.
CREATE TABLE sign_settings (
  sign_id INTEGER PRIMARY KEY REFERENCES signs(id) ON DELETE CASCADE,
  size_width INTEGER, size_height INTEGER, size_at TEXT,
  clock_offset_ms INTEGER, clock_at TEXT,
  onoff_enabled INTEGER, onoff_on TEXT, onoff_off TEXT, onoff_at TEXT,
  window_mode INTEGER, window_at TEXT,
  brightness INTEGER, brightness_at TEXT
);
-- What the last exchange with the sign showed; "busy" is not stored (a job runs on it).
CREATE TABLE sign_states (
  sign_id INTEGER PRIMARY KEY REFERENCES signs(id) ON DELETE CASCADE,
  state TEXT NOT NULL CHECK (state IN ('online', 'unreachable', 'other-model', 'differs', 'unknown')),
  last_answer TEXT,
  changed TEXT NOT NULL
);
CREATE TABLE jobs (
  id INTEGER PRIMARY KEY,
  action TEXT NOT NULL CHECK (action IN ('push', 'size', 'clock', 'onoff', 'window', 'brightness')),
  program_id INTEGER,
  version INTEGER,
  width INTEGER, height INTEGER,
  enabled INTEGER, on_time TEXT, off_time TEXT,
  mode INTEGER,
  level INTEGER,
  target TEXT NOT NULL,
  state TEXT NOT NULL CHECK (state IN ('queued', 'running', 'done', 'failed', 'cancelled')),
  created_by TEXT NOT NULL,
  created TEXT NOT NULL,
  started TEXT,
  finished TEXT
);
CREATE INDEX jobs_state ON jobs(state);
CREATE TABLE job_signs (
  job_id INTEGER NOT NULL REFERENCES jobs(id) ON DELETE CASCADE,
  sign_id INTEGER NOT NULL REFERENCES signs(id) ON DELETE CASCADE,
  state TEXT NOT NULL CHECK (state IN ('queued', 'running', 'done', 'failed', 'cancelled')),
  attempt INTEGER NOT NULL DEFAULT 0,
  done INTEGER NOT NULL DEFAULT 0,
  total INTEGER NOT NULL DEFAULT 0,
  message TEXT NOT NULL DEFAULT '',
  updated TEXT,
  PRIMARY KEY (job_id, sign_id)
);
CREATE INDEX job_signs_sign ON job_signs(sign_id, state);
CREATE TABLE audit (
  id INTEGER PRIMARY KEY,
  time TEXT NOT NULL,
  user TEXT NOT NULL,
  action TEXT NOT NULL,
  target TEXT NOT NULL,
  result TEXT NOT NULL,
  detail TEXT NOT NULL
);
CREATE INDEX audit_time ON audit(time);
CREATE TABLE settings (
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL
);
)sql",
    // 2: calendars. Entries put a program on signs and groups by date ("YYYY-MM-DD", null open),
    // weekday (bit 0 Monday .. bit 6 Sunday) and holiday rule, with an optional daily span
    // (minutes after 00:00, null open). Plans keep their steps or rules as the API gives them.
    // Ids are never reused, so an undone removal comes back under its own id. A program, sign or
    // group an entry or plan names cannot be deleted.
    R"sql(
CREATE TABLE calendar_entries (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  program_id INTEGER NOT NULL REFERENCES programs(id),
  from_date TEXT,
  to_date TEXT,
  weekdays INTEGER NOT NULL CHECK (weekdays BETWEEN 1 AND 127),
  holidays TEXT NOT NULL CHECK (holidays IN ('any', 'only', 'except')),
  start_minute INTEGER CHECK (start_minute BETWEEN 0 AND 1439),
  end_minute INTEGER CHECK (end_minute BETWEEN 0 AND 1439),
  priority INTEGER NOT NULL,
  created TEXT NOT NULL,
  changed TEXT NOT NULL
);
CREATE INDEX calendar_entries_program ON calendar_entries(program_id);
CREATE TABLE calendar_plans (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  kind TEXT NOT NULL CHECK (kind IN ('brightness', 'onoff')),
  body TEXT NOT NULL,
  created TEXT NOT NULL,
  changed TEXT NOT NULL
);
CREATE TABLE calendar_targets (
  entry_id INTEGER REFERENCES calendar_entries(id) ON DELETE CASCADE,
  plan_id INTEGER REFERENCES calendar_plans(id) ON DELETE CASCADE,
  sign_id INTEGER REFERENCES signs(id),
  group_id INTEGER REFERENCES groups(id),
  CHECK ((entry_id IS NULL) <> (plan_id IS NULL) AND (sign_id IS NULL) <> (group_id IS NULL))
);
CREATE INDEX calendar_targets_entry ON calendar_targets(entry_id);
CREATE INDEX calendar_targets_plan ON calendar_targets(plan_id);
CREATE INDEX calendar_targets_sign ON calendar_targets(sign_id);
CREATE INDEX calendar_targets_group ON calendar_targets(group_id);
)sql",
    // 3: jobs name their action without a list here (the service parses it), so that a new action
    // needs no rebuild of the table. SQLite cannot drop a CHECK in place: the table is made again,
    // its signs kept aside first so that dropping it cascades to nothing.
    R"sql(
CREATE TABLE jobs_new (
  id INTEGER PRIMARY KEY,
  action TEXT NOT NULL CHECK (action <> ''),
  program_id INTEGER,
  version INTEGER,
  width INTEGER, height INTEGER,
  enabled INTEGER, on_time TEXT, off_time TEXT,
  mode INTEGER,
  level INTEGER,
  target TEXT NOT NULL,
  state TEXT NOT NULL CHECK (state IN ('queued', 'running', 'done', 'failed', 'cancelled')),
  created_by TEXT NOT NULL,
  created TEXT NOT NULL,
  started TEXT,
  finished TEXT
);
INSERT INTO jobs_new SELECT * FROM jobs;
CREATE TEMP TABLE job_signs_kept AS SELECT * FROM job_signs;
DROP TABLE job_signs;
DROP TABLE jobs;
ALTER TABLE jobs_new RENAME TO jobs;
CREATE INDEX jobs_state ON jobs(state);
CREATE TABLE job_signs (
  job_id INTEGER NOT NULL REFERENCES jobs(id) ON DELETE CASCADE,
  sign_id INTEGER NOT NULL REFERENCES signs(id) ON DELETE CASCADE,
  state TEXT NOT NULL CHECK (state IN ('queued', 'running', 'done', 'failed', 'cancelled')),
  attempt INTEGER NOT NULL DEFAULT 0,
  done INTEGER NOT NULL DEFAULT 0,
  total INTEGER NOT NULL DEFAULT 0,
  message TEXT NOT NULL DEFAULT '',
  updated TEXT,
  PRIMARY KEY (job_id, sign_id)
);
INSERT INTO job_signs SELECT * FROM job_signs_kept;
DROP TABLE job_signs_kept;
CREATE INDEX job_signs_sign ON job_signs(sign_id, state);
)sql",
    // 4: the days the admin adds to the holidays (election days, company days; official ones
    // count as public holidays for the substitute rules), and where each sign stands (degrees,
    // both or neither; null is Seoul for the sun times).
    R"sql(
CREATE TABLE designated_days (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  date TEXT NOT NULL,
  name TEXT NOT NULL,
  official INTEGER NOT NULL CHECK (official IN (0, 1)),
  created TEXT NOT NULL,
  UNIQUE (date, name)
);
ALTER TABLE signs ADD COLUMN latitude REAL CHECK (latitude BETWEEN -90 AND 90);
ALTER TABLE signs ADD COLUMN longitude REAL CHECK (longitude BETWEEN -180 AND 180);
)sql",
    // 5: emergency takeovers: what each shows (a program version; the text it was made from), the
    // signs and groups asked for, until when, and each target sign's acknowledgement. What a sign
    // held before is kept for a sign the calendar does not name, to be given back at the end.
    R"sql(
CREATE TABLE takeovers (
  id INTEGER PRIMARY KEY,
  text TEXT,
  colour TEXT,
  effect TEXT,
  program_id INTEGER NOT NULL REFERENCES programs(id),
  version INTEGER NOT NULL,
  signs TEXT NOT NULL,
  groups TEXT NOT NULL,
  until TEXT,
  created TEXT NOT NULL,
  created_by TEXT NOT NULL,
  ended TEXT,
  ended_by TEXT
);
CREATE TABLE takeover_signs (
  takeover_id INTEGER NOT NULL REFERENCES takeovers(id) ON DELETE CASCADE,
  sign_id INTEGER NOT NULL REFERENCES signs(id) ON DELETE CASCADE,
  state TEXT NOT NULL CHECK (state IN ('pending', 'done', 'failed')),
  job_id INTEGER,
  at TEXT,
  message TEXT NOT NULL DEFAULT '',
  prior_program INTEGER,
  prior_version INTEGER,
  restored INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (takeover_id, sign_id)
);
CREATE INDEX takeover_signs_sign ON takeover_signs(sign_id);
)sql",
    // 6: the display-window mode a sign had before a takeover, given back to a sign the calendar
    // does not name (NULL: it was never given one).
    R"sql(
ALTER TABLE takeover_signs ADD COLUMN prior_window INTEGER;
)sql",
};

constexpr int kVersions = static_cast<int>(std::size(kMigrations));

}  // namespace

int schemaVersion() {
    return kVersions;
}

bool migrateSchemaTo(Database& db, int version, std::string& error) {
    std::lock_guard lock(db.mutex());
    Transaction tx(db);
    if (tx.began() != DbStatus::Ok) {
        error = db.path() + ": cannot be written (" + db.lastMessage() + ")";
        return false;
    }
    const int from = db.userVersion();
    if (from < 0 || from > kVersions) {
        error = db.path() + ": schema version " + std::to_string(from) + " is not one this orbd knows (1.." +
                std::to_string(kVersions) + ")";
        return false;
    }
    for (int v = from; v < version; ++v) {
        if (db.exec(kMigrations[v]) != DbStatus::Ok) {
            error = db.path() + ": migration to schema version " + std::to_string(v + 1) +
                    " failed: " + db.lastMessage();
            return false;
        }
    }
    if (version > from && db.setUserVersion(version) != DbStatus::Ok) {
        error = db.path() + ": cannot record the schema version: " + db.lastMessage();
        return false;
    }
    if (const DbStatus s = tx.commit(); s != DbStatus::Ok) {
        error = db.path() + ": cannot be written (" + toText(s) + ")";
        return false;
    }
    return true;
}

bool migrateSchema(Database& db, std::string& error) {
    return migrateSchemaTo(db, kVersions, error);
}

}  // namespace orb
