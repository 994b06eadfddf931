# SQLite compiled from its single-file source, for builds where the system has no library
# of it (Windows): the same version as Debian's, with the options the data source needs.
enable_language(C)
add_library(veltra_sqlite3 STATIC ${VELTRA_SQLITE_SOURCE}/sqlite3.c)
target_include_directories(veltra_sqlite3 SYSTEM PUBLIC ${VELTRA_SQLITE_SOURCE})
target_compile_definitions(veltra_sqlite3 PRIVATE SQLITE_ENABLE_COLUMN_METADATA SQLITE_THREADSAFE=1
                           SQLITE_OMIT_LOAD_EXTENSION)
add_library(SQLite::SQLite3 ALIAS veltra_sqlite3)
