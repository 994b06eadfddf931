// The data source `Data1` with its record set, and the bound text box `txtDbComb`.
#pragma once

#include "veltra/Types.h"

namespace veltra {

class ControlNotifications;

// The rows of the current result and a current row among them.
class Recordset {
  public:
    virtual ~Recordset() = default;

    // Rows visited so far (not necessarily all the rows of the result).
    virtual Long RecordCount() = 0;
    // The current row from 0; -1 without a current row.
    virtual Long AbsolutePosition() = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrevious() = 0;
    virtual void MoveLast() = 0;
    // The value of the current row's field at a position (0 the key, 1 the list value).
    virtual Variant Field(Integer index) = 0;
};

// Every operation may throw veltra::Error.
class DataSource {
  public:
    virtual ~DataSource() = default;

    virtual String Connect() const = 0;
    virtual void Connect(const String& value) = 0;
    // Writing the name neither opens the file nor fails for a missing one.
    virtual String DatabaseName() const = 0;
    virtual void DatabaseName(const String& value) = 0;
    // Whether DatabaseName names a file (as for Access) rather than a server connection.
    virtual bool DatabaseNameIsFile() const = 0;
    // The connect kind and database name as a saved form keeps them: without a password or
    // any other secret, which the database's own means supply.
    virtual String SavedConnect() const = 0;
    virtual String SavedDatabaseName() const = 0;
    virtual String RecordSource() const = 0;
    virtual void RecordSource(const String& value) = 0;
    // Opens the database and runs the record source; the first row becomes current. On
    // failure it throws and the previous rows stay in place.
    virtual void Refresh() = 0;
    // The current result; throws when there is none yet.
    virtual Recordset& recordset() = 0;
};

// A text box bound to the data source: its text is the list value of the current row.
class TextBox {
  public:
    virtual ~TextBox() = default;

    virtual void attach(ControlNotifications* control) = 0;
    virtual String Text() const = 0;
    virtual void Text(const String& value) = 0;
    // Binds the box to a field of the data source's rows; a field they lack fails.
    virtual void DataField(const String& value) = 0;
};

} // namespace veltra
