// This file is not part of the API. The data source's errors, each written once: the number
// the desktop database engine gives it and its Portuguese description, where "{}" stands
// for what failed, in order. Every engine throws them through fail().
#pragma once

#include "veltra/Error.h"

#include <initializer_list>
#include <string_view>

namespace veltra::detail {

enum class DataError {
    FileNotFound,            // the file does not exist
    DatabaseNotFound,        // the database does not exist on the server
    NotADatabase,            // the file is not a database, or is damaged
    AccessNotBuilt,          // this build reads no Access files
    AccessUnreadable,        // the Access reader failed
    TableNotFound,           //
    UnknownColumn,           //
    UnknownFunction,         // a function the dialect does not allow
    WrongArgumentCount,      //
    SyntaxNear,              // a token that the dialect cannot read there
    SyntaxIncomplete,        // the statement ends too soon
    Syntax,                  // anything else the dialect cannot read
    UnrecognizedToken,       //
    InvalidPattern,          // a like pattern with an unclosed bracket
    TextAfterStatement,      // a second statement
    ReadOnly,                // a statement that would write or change settings
    EmptyStatement,          //
    NoStatement,             // an empty record source
    StatementTooLong,        //
    UnknownConnect,          //
    NoCurrentRecord,         //
    UnknownField,            //
    NoRecordset,             // a record set asked for before the first refresh
    RowTooLarge,             //
    FileTimeout,             // a statement on a file past its time limit
    Locked,                  // another program holds the file
    AmbiguousColumn,         //
    EngineFailure,           // SQLite's own, described
    CopyNotMade,             // a copy of a table could not be written
    CopyNotKept,             // a copy could not be moved into place
    CopyUnreadable,          //
    NoCopyFolder,            // no folder can keep an Access table's copy
    NoRoomForCopy,           // a statement names more tables than can be attached
    ConnectionStringInvalid, //
    ServerUnreachable,       //
    ServerLost,              //
    ServerTimeout,           //
    InvalidAccount,          //
    NoReadPermission,        //
    CriteriaTypeMismatch,    //
    ServerFailure,           // the server's own, described
    OutsideTransaction,      // a statement of the control outside its read-only transaction
};

// The error with its number and description, the subjects put in place of "{}".
Error dataError(DataError error, std::initializer_list<std::string_view> subjects = {});
[[noreturn]] void fail(DataError error, std::initializer_list<std::string_view> subjects = {});

} // namespace veltra::detail
