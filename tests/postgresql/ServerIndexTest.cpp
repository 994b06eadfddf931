// veltra-index's PostgreSQL form: with its indexes the searches the control makes read the
// folded index in order (prefixes, the whole list, groups) or the trigram index (texts
// inside names); without them the same searches give the same rows by scanning.
#include "TestSupport.h"
#include "veltra/data/DataControl.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <stdexcept>

namespace veltra {
namespace {

void run(PGconn* connection, const std::string& sql) {
    PGresult* result = PQexec(connection, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!ok)
        throw std::runtime_error(sql + ": " + PQerrorMessage(connection));
}

class ServerIndex : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PGconn* server = PQconnectdb("dbname=postgres options='-c client_min_messages=warning'");
        run(server, "DROP DATABASE IF EXISTS indices WITH (FORCE)");
        run(server, "CREATE DATABASE indices TEMPLATE template0 ENCODING 'UTF8'");
        PQfinish(server);
        PGconn* database = PQconnectdb("dbname=indices");
        run(database, "CREATE TABLE Pessoas (Id integer PRIMARY KEY, Nome text, UF text)");
        run(database, "INSERT INTO Pessoas SELECT i, (ARRAY['Pessoa ', 'São João ', 'Ângela "
                      "', 'ana '])[i % 4 + 1] || lpad(i::text, 6, '0'), 'SP' "
                      "FROM generate_series(1, 40000) AS i");
        run(database, "ANALYZE Pessoas");
        PQfinish(database);
    }

    DataControl data;

    ServerIndex() {
        data.Connect(u"PostgreSQL");
        data.DatabaseName(u"indices");
    }

    std::vector<std::string> names(const char16_t* statement) {
        data.RecordSource(statement);
        data.Refresh();
        std::vector<std::string> names;
        const auto rows = data.rows();
        for (std::size_t i = 0; rows->fetch(i) && i < 3; ++i)
            names.push_back(toUtf8(rows->row(i)[1].toText()));
        return names;
    }
    std::string plan(const char16_t* statement) { return data.queryPlan(statement); }
};

constexpr const char16_t* kPrefix =
    u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'sao joao 0001*' ORDER by Nome";
constexpr const char16_t* kWholeList =
    u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome";
constexpr const char16_t* kGroups =
    u"SELECT 0 as xnadas, Nome FROM Pessoas WHERE Nome like 'angela*' GROUP by Nome ORDER by Nome";
constexpr const char16_t* kInside =
    u"SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like '* joao 00012*' ORDER by Nome";

TEST_F(ServerIndex, IndexesAnswerTheControlsSearchesWithTheSameRows) {
    const auto prefix = names(kPrefix);
    const auto whole = names(kWholeList);
    const auto groups = names(kGroups);
    const auto inside = names(kInside);
    EXPECT_EQ(prefix,
              (std::vector<std::string>{"São João 000101", "São João 000105", "São João 000109"}));
    EXPECT_EQ(whole, (std::vector<std::string>{"ana 000003", "ana 000007", "ana 000011"}));
    EXPECT_EQ(inside.size(), 3u);
    EXPECT_NE(plan(kPrefix).find("Seq Scan"), std::string::npos);

    const std::string command = std::string(VELTRA_INDEX_TOOL) + " --postgresql dbname=indices " +
                                "Pessoas Nome Id >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // The session reads the server's catalogue when it connects.
    data.DatabaseName(u"dbname=indices");

    for (const auto* ordered : {kPrefix, kWholeList, kGroups}) {
        const std::string answer = plan(ordered);
        EXPECT_NE(answer.find("Index Only Scan using pessoas_nome_veltra on"), std::string::npos)
            << answer;
        EXPECT_EQ(answer.find("Sort"), std::string::npos) << answer;
    }
    EXPECT_NE(plan(kInside).find("pessoas_nome_veltra_trgm"), std::string::npos) << plan(kInside);
    EXPECT_EQ(names(kPrefix), prefix);
    EXPECT_EQ(names(kWholeList), whole);
    EXPECT_EQ(names(kGroups), groups);
    EXPECT_EQ(names(kInside), inside);
}

// With the extra columns a list shows, the index that carries them answers alone.
TEST_F(ServerIndex, AnIndexThatCoversTheExtraColumnsAnswersAlone) {
    const char16_t* withState =
        u"SELECT Pessoas.Id, Nome, UF FROM Pessoas WHERE Nome like 'são j*' ORDER by Nome";
    const std::string command = std::string(VELTRA_INDEX_TOOL) + " --postgresql dbname=indices " +
                                "Pessoas Nome Id --cover UF >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    data.DatabaseName(u"dbname=indices");
    const std::string answer = plan(withState);
    EXPECT_NE(answer.find("Index Only Scan using pessoas_nome_veltra on"), std::string::npos)
        << answer;
    EXPECT_EQ(answer.find("Sort"), std::string::npos) << answer;
    EXPECT_EQ(names(withState),
              (std::vector<std::string>{"São João 000001", "São João 000005", "São João 000009"}));
}

} // namespace
} // namespace veltra
