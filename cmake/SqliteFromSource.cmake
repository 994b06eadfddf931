# SQLite compiled from its single-file source, for builds where the system has no library
# of it (Windows): the same version as Debian's.
enable_language(C)
add_library(veltra_sqlite3 STATIC ${VELTRA_SQLITE_SOURCE}/sqlite3.c)
target_include_directories(veltra_sqlite3 SYSTEM PUBLIC ${VELTRA_SQLITE_SOURCE})
# Debian's options that change what the data source sees (file names as URIs, a column's
# table, limits, deleted content overwritten); extensions are never loaded.
target_compile_definitions(veltra_sqlite3 PRIVATE
  SQLITE_USE_URI=1 SQLITE_ENABLE_COLUMN_METADATA SQLITE_THREADSAFE=1 SQLITE_SECURE_DELETE
  SQLITE_LIKE_DOESNT_MATCH_BLOBS SQLITE_MAX_VARIABLE_NUMBER=250000 SQLITE_MAX_SCHEMA_RETRY=25
  SQLITE_DEFAULT_RECURSIVE_TRIGGERS SQLITE_OMIT_LOAD_EXTENSION)
add_library(SQLite::SQLite3 ALIAS veltra_sqlite3)
