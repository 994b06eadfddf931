// The data source: refreshing a record source, its failures and error numbers, the record
// set's navigation and counting, and the bound text box that follows the current row.
#include "TestSupport.h"
#include "sqlite/Connection.h"
#include "veltra/Error.h"
#include "veltra/platform/Notifications.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

using testing::ScratchDatabase;

class DataSourceTest : public ::testing::Test {
  protected:
    DataSourceTest() : db(testing::kCitiesSql) { data.DatabaseName(db.path()); }

    int refreshError(const String& recordSource) { return refreshFailure(recordSource).number(); }
    Error refreshFailure(const String& recordSource) {
        data.RecordSource(recordSource);
        try {
            data.Refresh();
        } catch (const Error& error) {
            return error;
        }
        return Error(0, "");
    }

    ScratchDatabase db;
    DataControl data;
};

// Each failure has its number and a description of its own that names what failed whole.
TEST_F(DataSourceTest, ReportsEachFailureWithItsNumberAndDescription) {
    struct Case {
        const char16_t* recordSource;
        int number;
        std::string description;
    };
    const Case cases[] = {
        {u"SELECT * FROM Clientes", ErrorNumber::TableNotFound,
         "O mecanismo de banco de dados não encontrou a tabela 'Clientes'."},
        {u"SELECT Codigo FROM Cidades", ErrorNumber::UnknownColumn, "Coluna desconhecida: Codigo."},
        {u"SELECT Nome FROM Cidades WHERE", ErrorNumber::SyntaxError, "Instrução SQL incompleta."},
        {u"SELECT Nome FROM Cidades WHERE Nome = 'd'a'", ErrorNumber::SyntaxError,
         "Erro de sintaxe na instrução SQL (texto sem fim)."},
        {u"SELECT Nome FROM Cidades WHERE Nome = = 'a'", ErrorNumber::SyntaxError,
         "Erro de sintaxe na instrução SQL perto de \"=\"."},
        {u"SELECT frobnicate(Nome) FROM Cidades", ErrorNumber::UnknownFunction,
         "Função 'frobnicate' indefinida na expressão."},
        {u"SELECT cstr(Nome, 1) FROM Cidades", ErrorNumber::UnknownFunction,
         "Número incorreto de argumentos usados com a função 'cstr' na expressão."},
        {u"SELECT Nome FROM Cidades, Cidades AS Outra", ErrorNumber::OtherFailure,
         "O campo 'Nome' pode se referir a mais de uma tabela listada na cláusula FROM da "
         "instrução SQL."},
        {u"SELECT 1; DROP TABLE Cidades", ErrorNumber::TextAfterStatement,
         "Caracteres encontrados após o fim da instrução SQL."},
        {u"DELETE FROM Cidades", ErrorNumber::ReadOnly,
         "Não é possível atualizar. Banco de dados ou objeto somente leitura."},
        {u"   ", ErrorNumber::InvalidRecordSource,
         "Instrução SQL inválida; esperava-se 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' ou "
         "'UPDATE'."},
    };
    for (const auto& c : cases) {
        const Error error = refreshFailure(c.recordSource);
        EXPECT_EQ(error.number(), c.number) << toUtf8(c.recordSource);
        EXPECT_EQ(error.what(), c.description) << toUtf8(c.recordSource);
    }
    data.Connect(u"ODBC;DSN=x");
    EXPECT_EQ(refreshError(u"Cidades"), ErrorNumber::UnknownConnect);
    data.Connect(u"access 2000;");
    EXPECT_EQ(refreshError(u"Cidades"), 0);
    data.DatabaseName(fromUtf8((db.folder() / "missing.db").string()));
    EXPECT_EQ(refreshError(u"Cidades"), ErrorNumber::FileNotFound);
}

TEST_F(DataSourceTest, AFileThatIsNotADatabaseIsRefused) {
    const auto path = db.folder() / "notes.db";
    std::ofstream(path) << "these are not the rows you are looking for, not even a header";
    data.DatabaseName(fromUtf8(path.string()));
    EXPECT_EQ(refreshError(u"SELECT * FROM Cidades"), ErrorNumber::NotADatabase);
}

TEST_F(DataSourceTest, AFailedRefreshKeepsThePreviousRows) {
    ASSERT_EQ(refreshError(u"SELECT Id, Nome FROM Cidades WHERE Id = 2"), 0);
    ASSERT_NE(refreshError(u"SELECT Id, Nome FROM Nada"), 0);
    EXPECT_EQ(data.RecordSource(), u"SELECT Id, Nome FROM Nada");
    EXPECT_EQ(data.recordset().Field(1).toText(), u"Belém");
}

TEST_F(DataSourceTest, ABareTableNameReadsTheWholeTable) {
    ASSERT_EQ(refreshError(u"Cidades"), 0);
    EXPECT_EQ(data.rows()->columns(), (std::vector<String>{u"Id", u"Nome", u"Uf"}));
}

// The connection's own statements pass the authorizer; a record source of the very same
// text must still meet it, and never be served the statement prepared for the connection.
TEST_F(DataSourceTest, ARecordSourceIsNeverServedTheConnectionsOwnStatement) {
    detail::SqliteConnection connection(db.path(), u"");
    const std::string schema = "SELECT name FROM sqlite_master";
    {
        const detail::SqliteConnection::OwnWork ownWork(connection);
        connection.prepare(schema, {});
    }
    try {
        connection.prepare(schema, {});
        FAIL() << "the schema was read by a record source";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::ReadOnly);
    }
}

TEST_F(DataSourceTest, NeverWritesTheFile) {
    const std::string before = db.bytes();
    for (const char16_t* statement :
         {u"DELETE FROM Cidades", u"UPDATE Cidades SET Nome = 'x'", u"DROP TABLE Cidades",
          u"SELECT 1; DROP TABLE Cidades", u"CREATE TABLE t (x)", u"PRAGMA user_version = 7",
          u"ATTACH 'other.db' AS o", u"INSERT INTO Cidades (Nome) VALUES ('x')"})
        EXPECT_NE(refreshError(statement), 0) << toUtf8(statement);
    EXPECT_EQ(db.bytes(), before);
}

TEST_F(DataSourceTest, RecordSetCountsTheRowsVisitedPlusTheOneAhead) {
    ASSERT_EQ(refreshError(u"SELECT Id, Nome FROM Cidades ORDER BY Id"), 0);
    auto& records = data.recordset();
    EXPECT_EQ(records.AbsolutePosition(), 0);
    EXPECT_EQ(records.RecordCount(), 2);
    // Stepping while the position is below the count minus one reaches every row.
    int steps = 0;
    while (records.AbsolutePosition() < records.RecordCount() - 1) {
        records.MoveNext();
        ++steps;
    }
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(records.Field(0).toText(), u"5");
    EXPECT_TRUE(records.Field(1).isNull());
    EXPECT_THROW(records.Field(1).toText(), Error);
    records.MoveFirst();
    EXPECT_EQ(records.Field(0).toText(), u"1");
    records.MoveLast();
    EXPECT_EQ(records.AbsolutePosition(), 4);
    EXPECT_EQ(records.RecordCount(), 5);
}

TEST_F(DataSourceTest, MovingPastEitherEndLeavesNoCurrentRecord) {
    ASSERT_EQ(refreshError(u"SELECT Id FROM Cidades WHERE Id <= 2 ORDER BY Id"), 0);
    auto& records = data.recordset();
    records.MovePrevious();
    EXPECT_EQ(records.AbsolutePosition(), -1);
    EXPECT_THROW(records.Field(0), Error);
    EXPECT_THROW(records.MovePrevious(), Error);
    records.MoveNext();
    EXPECT_EQ(records.Field(0).toText(), u"1");
    records.MoveNext();
    records.MoveNext();
    EXPECT_EQ(records.AbsolutePosition(), -1);
    EXPECT_THROW(records.MoveNext(), Error);
    EXPECT_THROW(records.Field(5), Error);
}

TEST_F(DataSourceTest, AnEmptyResultHasNoCurrentRecord) {
    ASSERT_EQ(refreshError(u"SELECT Id FROM Cidades WHERE Id > 100"), 0);
    auto& records = data.recordset();
    EXPECT_EQ(records.RecordCount(), 0);
    EXPECT_EQ(records.AbsolutePosition(), -1);
    try {
        records.MoveFirst();
        FAIL() << "moved in an empty result";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::NoCurrentRecord);
    }
}

// A row past the bound, in the file or made by the statement, ends the statement with its
// own error instead of taking the program's memory; the rows within it are read.
TEST(DataSourceRows, ARowPastTheBoundEndsItsStatement) {
    const ScratchDatabase db("CREATE TABLE Grandes (Id INTEGER PRIMARY KEY, Nome TEXT);"
                             "INSERT INTO Grandes VALUES (1, 'pequeno'), "
                             "(2, replace(hex(zeroblob(1000000)), '00', 'xy'));");
    DataControl data;
    data.DatabaseName(db.path());
    const auto errorOf = [&](const char16_t* statement) {
        data.RecordSource(statement);
        try {
            data.Refresh();
        } catch (const Error& error) {
            return error.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(u"SELECT Id, Nome FROM Grandes WHERE Id = 1"), 0);
    EXPECT_EQ(errorOf(u"SELECT Id, Nome FROM Grandes WHERE Id = 2"), ErrorNumber::RecordTooLarge);
    EXPECT_EQ(errorOf(u"SELECT replace(replace(replace(replace(replace(replace(replace(Nome, "
                      u"'e', 'eeeeeeeeee'), 'e', 'eeeeeeeeee'), 'e', 'eeeeeeeeee'), 'e', "
                      u"'eeeeeeeeee'), 'e', 'eeeeeeeeee'), 'e', 'eeeeeeeeee'), 'e', 'eeeeeeeeee') "
                      u"FROM Grandes WHERE Id = 1"),
              ErrorNumber::RecordTooLarge);
}

// A statement that would work for ever, as a pasted cross join would, is stopped at the
// time limit, and the next one runs.
TEST(DataSourceRows, AStatementPastTheTimeLimitIsStopped) {
    const ScratchDatabase db(testing::kCitiesSql);
    detail::SqliteConnection connection(db.path(), u"");
    connection.statementLimit(std::chrono::milliseconds(200));
    const auto stepOf = [&](const std::string& statement) {
        const auto prepared = connection.prepare(connection.translate(statement));
        int code = SQLITE_ROW;
        while ((code = connection.step(prepared.get())) == SQLITE_ROW) {
        }
        return code;
    };
    std::string join = "SELECT count(*) FROM Cidades c0";
    for (int i = 1; i < 20; ++i)
        join += ", Cidades c" + std::to_string(i);
    EXPECT_EQ(stepOf(join), SQLITE_INTERRUPT);
    EXPECT_EQ(stepOf("SELECT count(*) FROM Cidades"), SQLITE_DONE);
}

TEST(DataSourceWithoutResult, HasNoRecordSet) {
    DataControl data;
    EXPECT_THROW(data.recordset(), Error);
    EXPECT_EQ(data.rows(), nullptr);
    EXPECT_EQ(data.Connect(), u"Access");
}

// Counts the text box's change notifications.
struct TextBoxChanges final : testing::IgnoredNotifications {
    int count = 0;
    void txtDbComb_Change() override { ++count; }
};

TEST_F(DataSourceTest, BoundTextBoxFollowsTheCurrentRow) {
    BoundTextBox box(data);
    TextBoxChanges changes;
    box.attach(&changes);
    ASSERT_EQ(refreshError(u"SELECT Id, Nome FROM Cidades ORDER BY Id"), 0);
    box.DataField(u"nome");
    EXPECT_EQ(box.Text(), u"Belo Horizonte");
    data.recordset().MoveNext();
    EXPECT_EQ(box.Text(), u"Belém");
    data.recordset().MoveLast(); // a null list value shows as empty
    EXPECT_EQ(box.Text(), u"");
    EXPECT_EQ(changes.count, 3);
    EXPECT_THROW(box.DataField(u"Uf"), Error);
    ASSERT_EQ(refreshError(u"SELECT Id, Nome FROM Cidades WHERE Id > 100"), 0);
    EXPECT_EQ(box.Text(), u"");
}

} // namespace
} // namespace veltra
