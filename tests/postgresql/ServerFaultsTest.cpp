// The control over a table on a real PostgreSQL server that restarts, stops, hangs behind
// its network, loses its table or refuses a role: each search that cannot be answered fails
// with its error and the control goes on; the next one connects again.
//
// The server is the tests' own (tests/postgresql/server.sh), named by VELTRA_TEST_SERVER
// (its folder) and libpq's PGHOST, PGPORT and PGUSER.
#include "ServerSupport.h"
#include "TestSupport.h"
#include "veltra/Error.h"
#include "veltra/data/DataControl.h"

#include <algorithm>

namespace veltra {
namespace {

using testing::Administrator;
using testing::HangingNetwork;
using testing::has;
using testing::RecordedForm;
using testing::server;
using testing::serverPort;

class ServerFaults : public ::testing::Test {
  protected:
    static constexpr const char* kDatabase = "falhas";

    static void SetUpTestSuite() {
        Administrator server("postgres");
        server.run("DROP DATABASE IF EXISTS falhas WITH (FORCE)");
        server.run("CREATE DATABASE falhas TEMPLATE template0 ENCODING 'UTF8'");
    }

    ServerFaults() {
        Administrator database(kDatabase);
        database.run("DROP TABLE IF EXISTS Cidades, Gente");
        database.run("CREATE TABLE Cidades (Id integer PRIMARY KEY, Nome text)");
        database.run("INSERT INTO Cidades VALUES (1, 'Belo Horizonte'), (2, 'Belém'), "
                     "(3, 'Santos'), (4, 'São Paulo')");
    }

    ~ServerFaults() override {
        // A test that failed half-way must not leave the server down for the next.
        if (PQping(("dbname=postgres port=" + serverPort()).c_str()) != PQPING_OK)
            server("resume");
    }

    void bind(const String& databaseName, const String& connect = u"PostgreSQL",
              const String& table = u"Cidades") {
        auto& control = recorded.form.control();
        control.Connect(connect);
        control.x1_DatabaseName(databaseName);
        control.x2_NomeTabela(table);
        control.x3_ListField(u"Nome");
        control.x4_BoundColumn(u"Id");
        control.Text(u"");
        box().focusIn();
        recorded.take();
    }
    headless::HeadlessComboBox& box() { return recorded.form.comboBox(); }
    std::vector<std::string> type(const String& text) { return recorded.typeOver(text); }
    static bool found(const std::vector<std::string>& lines, const std::string& key) {
        return has(lines, "event CodigoAssociado Numero=\"" + key + "\"");
    }

    // The error a data control meets running one statement.
    static Error errorOf(const String& databaseName, const String& statement,
                         const String& connect = u"PostgreSQL") {
        DataControl data;
        data.Connect(connect);
        data.DatabaseName(databaseName);
        data.RecordSource(statement);
        try {
            data.Refresh();
        } catch (const Error& error) {
            return error;
        }
        return Error(ErrorNumber::OtherFailure, "no error");
    }

    RecordedForm recorded;
};

TEST_F(ServerFaults, ARestartedServerIsConnectedToAgain) {
    bind(u"falhas");
    EXPECT_TRUE(found(type(u"belo"), "1"));
    server("restart");
    EXPECT_TRUE(found(type(u"san"), "3"));
    EXPECT_TRUE(found(type(u"sao"), "4"));
}

TEST_F(ServerFaults, AStoppedServerFailsTheSearchAndTheControlGoesOn) {
    bind(u"falhas");
    EXPECT_TRUE(found(type(u"belo"), "1"));
    server("halt");
    EXPECT_TRUE(has(type(u"san"), "refresh Data1 failed"));
    // As with a file that went away, the failed search leaves the rows it had.
    EXPECT_EQ(box().Text(), u"Belo Horizonte");
    EXPECT_GT(box().list().rowCount(), 0u);
    const Error error = errorOf(u"falhas", u"SELECT 1");
    EXPECT_EQ(error.number(), 3151);
    EXPECT_NE(std::string(error.what()).find("A conexão com o servidor de banco de dados"),
              std::string::npos)
        << error.what();
    server("resume");
    EXPECT_TRUE(found(type(u"sao"), "4"));
}

TEST_F(ServerFaults, AHungNetworkEndsInTheTimeLimitsAndTheNextSearchConnectsAgain) {
    HangingNetwork network;
    const String address = fromUtf8("host=127.0.0.1 port=" + std::to_string(network.port()) +
                                    " dbname=falhas connect_timeout=1");
    bind(address, u"PostgreSQL;options='-c statement_timeout=300'");
    EXPECT_TRUE(found(type(u"belo"), "1"));
    network.hang();
    EXPECT_TRUE(has(type(u"san"), "refresh Data1 failed"));
    // Connecting through a network that hangs gives up too.
    EXPECT_EQ(errorOf(address, u"SELECT 1").number(), 3151);
    network.recover();
    EXPECT_TRUE(found(type(u"sao"), "4"));
}

TEST_F(ServerFaults, AStatementPastTheTimeLimitIsStopped) {
    const Error error = errorOf(u"falhas",
                                u"SELECT count(*) FROM Cidades a, Cidades b, Cidades c, Cidades d, "
                                u"Cidades e, Cidades f, Cidades g, Cidades h, Cidades i, "
                                u"Cidades j, Cidades k, Cidades l, Cidades m, Cidades n",
                                u"PostgreSQL;options='-c statement_timeout=200'");
    EXPECT_EQ(error.number(), 3234);
    EXPECT_NE(std::string(error.what()).find("tempo limite"), std::string::npos) << error.what();
}

TEST_F(ServerFaults, ATableRenamedUnderTheControlIsMissedUntilItComesBack) {
    bind(u"falhas");
    EXPECT_TRUE(found(type(u"belo"), "1"));
    Administrator database(kDatabase);
    database.run("ALTER TABLE Cidades RENAME TO Gente");
    EXPECT_TRUE(has(type(u"san"), "refresh Data1 failed"));
    const Error error = errorOf(u"falhas", u"SELECT Nome FROM Cidades");
    EXPECT_EQ(error.number(), 3078);
    EXPECT_STREQ(error.what(), "O mecanismo de banco de dados não encontrou a tabela 'Cidades'.");
    database.run("ALTER TABLE Gente RENAME TO Cidades");
    EXPECT_TRUE(found(type(u"sao"), "4"));
    database.run("DROP TABLE Cidades");
    EXPECT_TRUE(has(type(u"bel"), "refresh Data1 failed"));
}

TEST_F(ServerFaults, ARoleThatMayOnlyReadIsEnough) {
    Administrator database(kDatabase);
    database.run("GRANT SELECT ON Cidades TO leitor");
    bind(u"dbname=falhas user=leitor");
    EXPECT_TRUE(found(type(u"belo"), "1"));
    database.run("REVOKE SELECT ON Cidades FROM leitor");
    EXPECT_EQ(errorOf(u"dbname=falhas user=leitor", u"SELECT Nome FROM Cidades").number(), 3112);
}

// Whatever the statement says, the server's rows stay as they were.
TEST_F(ServerFaults, WritesSettingsAndSecondStatementsAreRefused) {
    const std::pair<const char16_t*, int> refused[] = {
        {u"DELETE FROM Cidades", 3027},
        {u"WITH d AS (DELETE FROM Cidades RETURNING *) SELECT * FROM d", 3027},
        {u"SELECT * FROM Cidades FOR UPDATE", 3027},
        {u"SET statement_timeout = 0", 3027},
        {u"SELECT 1; DROP TABLE Cidades", 3142},
        {u"SELECT set_config('default_transaction_read_only', 'off', false)", 3085},
    };
    for (const auto& [statement, number] : refused)
        EXPECT_EQ(errorOf(u"falhas", statement).number(), number) << toUtf8(statement);
    bind(u"falhas");
    EXPECT_TRUE(found(type(u"belo"), "1"));
    EXPECT_TRUE(found(type(u"sao"), "4"));
}

// Not a fault, but the server's own way to keep tables apart.
TEST_F(ServerFaults, ASchemaQualifiedTableIsSearched) {
    Administrator database(kDatabase);
    database.run("DROP SCHEMA IF EXISTS vendas CASCADE");
    database.run("CREATE SCHEMA vendas");
    database.run("CREATE TABLE vendas.Clientes (Id integer PRIMARY KEY, Nome text)");
    database.run("INSERT INTO vendas.Clientes VALUES (7, 'Sônia'), (8, 'Sandro')");
    bind(u"falhas", u"PostgreSQL", u"vendas.Clientes");
    EXPECT_TRUE(found(type(u"soni"), "7"));
    EXPECT_EQ(box().Text(), u"Sônia");
}

TEST_F(ServerFaults, AWrongPasswordIsReportedWithoutShowingIt) {
    const std::string where = "host=127.0.0.1 port=" + serverPort() + " dbname=falhas user=senha";
    const Error error = errorOf(fromUtf8(where + " password=segredo-errado"), u"SELECT 1");
    EXPECT_EQ(error.number(), 3029);
    EXPECT_EQ(std::string(error.what()).find("segredo-errado"), std::string::npos);
    EXPECT_NE(std::string(error.what()).find("127.0.0.1"), std::string::npos) << error.what();
    // libpq's own means give the password.
    ::setenv("PGPASSWORD", "certa", 1);
    Administrator(kDatabase).run("GRANT SELECT ON Cidades TO senha");
    bind(fromUtf8(where));
    EXPECT_TRUE(found(type(u"belo"), "1"));
    ::unsetenv("PGPASSWORD");
}

} // namespace
} // namespace veltra
