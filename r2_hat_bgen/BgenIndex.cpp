#include "BgenIndex.h"

#include <cstring>

#include "io/Error.h"

#ifdef R2_HAT_BGEN_WITH_SQLITE
#include <sqlite3.h>

namespace {

// One prepared statement, finalised on every way out.
class Statement {
public:
   Statement(sqlite3* db, const char* sql) { ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK; }
   ~Statement() { sqlite3_finalize(stmt); }
   Statement(const Statement&) = delete;
   Statement& operator=(const Statement&) = delete;
   sqlite3_stmt* stmt = nullptr;
   bool ok = false;
};

}  // namespace

bool ReadsBgenIndexes() {
   return true;
}

std::vector<uint64_t> IndexedVariants(const std::string& indexName, const std::string& bgenName,
                                      const BgenHeader& header, const Region& region,
                                      bool& chromosomeListed) {
   chromosomeListed = false;
   const char* index = indexName.c_str();
   sqlite3* db = nullptr;
   if (sqlite3_open_v2(index, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      std::string reason = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
      sqlite3_close(db);
      error("Index [%s] could not be opened: %s\n", index, reason.c_str());
   }
   std::string failure;
   std::vector<uint64_t> starts;
   {
      Statement metadata(db, "SELECT file_size, first_1000_bytes FROM Metadata");
      if (metadata.ok && sqlite3_step(metadata.stmt) == SQLITE_ROW) {
         int64_t size = sqlite3_column_int64(metadata.stmt, 0);
         const void* bytes = sqlite3_column_blob(metadata.stmt, 1);
         int length = sqlite3_column_bytes(metadata.stmt, 1);
         bool same = static_cast<uint64_t>(size) == header.fileSize &&
                     static_cast<size_t>(length) == header.firstBytes.size() &&
                     (length == 0 || memcmp(bytes, header.firstBytes.data(), length) == 0);
         if (!same) failure = "it was made for another file than [" + bgenName + "]";
      }
      Statement query(db,
                      "SELECT file_start_position FROM Variant WHERE chromosome = ?1 AND "
                      "position BETWEEN ?2 AND ?3 ORDER BY file_start_position");
      if (failure.empty() && !query.ok)
         failure = std::string("it has no table of variants: ") + sqlite3_errmsg(db);
      if (failure.empty()) {
         sqlite3_bind_text(query.stmt, 1, region.chrom.c_str(), -1, SQLITE_TRANSIENT);
         sqlite3_bind_int64(query.stmt, 2, region.from);
         sqlite3_bind_int64(query.stmt, 3, region.to);
         int status;
         while ((status = sqlite3_step(query.stmt)) == SQLITE_ROW) {
            int64_t start = sqlite3_column_int64(query.stmt, 0);
            if (start < 0 || static_cast<uint64_t>(start) < header.firstVariant ||
                static_cast<uint64_t>(start) >= header.fileSize) {
               failure = "it places a variant at byte " + std::to_string(start) +
                         ", outside the variants of [" + bgenName + "]";
               break;
            }
            starts.push_back(static_cast<uint64_t>(start));
         }
         if (failure.empty() && status != SQLITE_DONE)
            failure = std::string("its variants could not be read: ") + sqlite3_errmsg(db);
      }
      Statement listed(db, "SELECT 1 FROM Variant WHERE chromosome = ?1 LIMIT 1");
      if (failure.empty() && listed.ok) {
         sqlite3_bind_text(listed.stmt, 1, region.chrom.c_str(), -1, SQLITE_TRANSIENT);
         chromosomeListed = sqlite3_step(listed.stmt) == SQLITE_ROW;
      }
   }
   sqlite3_close(db);
   if (!failure.empty()) error("Index [%s] cannot be used: %s\n", index, failure.c_str());
   return starts;
}

#else

bool ReadsBgenIndexes() {
   return false;
}

std::vector<uint64_t> IndexedVariants(const std::string& indexName, const std::string&,
                                      const BgenHeader&, const Region&, bool&) {
   error("Index [%s] cannot be read: this build has no SQLite\n", indexName.c_str());
}

#endif
