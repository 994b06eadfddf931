// While its copy is made, a statement over a file with a plain index on its list field reads
// its first rows through that index: they are the rows, in the order, that the copy gives.
#include "sqlite/IndexedFirstRows.h"

#include "CopiesSupport.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

using testing::CacheFolder;
using testing::ScratchDatabase;

// Spellings that fold alike (case, accents) in classes bigger and smaller than a sort at
// once, one name repeated more than that, Nulls, digits, blobs, and one text that is not
// UTF-8. `Solto` has no type: numbers stay numbers there.
const char* kTablesSql =
    "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT, Solto);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
    "INSERT INTO Pessoas SELECT 30001 - i, "
    "  CASE i % 11 WHEN 0 THEN 'Ana' WHEN 1 THEN 'ana' WHEN 2 THEN 'Ângela ' || (i % 7) "
    "  WHEN 3 THEN 'ANA' WHEN 4 THEN 'Antônio ' || (i % 13) WHEN 5 THEN NULL "
    "  WHEN 6 THEN 'ÁNTONIO ' || (i % 17) WHEN 7 THEN 'Ãnia' "
    "  ELSE char(65 + i % 26) || char(97 + i / 26 % 26) || ' ' || i END, "
    "  CASE i % 5 WHEN 0 THEN i % 200 WHEN 1 THEN 'Áb ' || i WHEN 2 THEN NULL "
    "  ELSE char(97 + i % 3) || ' ' || i END FROM n;"
    "INSERT INTO Pessoas VALUES (40001, '12 de Maio', X'616E61'), (40002, 123, X'3132'),"
    "  (40003, X'616E61', 'an'), (40004, '', ''), (40005, 'an', 12.5);"
    "CREATE INDEX PessoasNome ON Pessoas (Nome);"
    "CREATE INDEX PessoasSolto ON Pessoas (Solto);"
    "CREATE TABLE Poucos (Id INTEGER PRIMARY KEY, Nome);"
    "INSERT INTO Poucos (Nome) VALUES (X'61'), ('b'), (NULL), (12), ('A'), ('á'), (X'');"
    "CREATE INDEX PoucosNome ON Poucos (Nome);";

const std::vector<std::string> kStatements = {
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'an*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'ANT*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome <> '' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'an*' and Id > 29000 ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'qq*' ORDER by Nome",
    "SELECT 0 as xnadas, Nome FROM Pessoas WHERE Nome like 'a*' GROUP by Nome ORDER by Nome",
    "SELECT Id, Solto FROM Pessoas WHERE Solto like '1*' ORDER by Solto",
    "SELECT Id, Solto FROM Pessoas ORDER by Solto",
    "SELECT Id, Solto FROM Pessoas WHERE Solto like 'ab*' ORDER by Solto, Id",
    "SELECT Id, Nome FROM Poucos ORDER by Nome",
    "SELECT Id, Nome FROM Poucos WHERE Nome like 'a*' ORDER by Nome",
    // What a paste may bring: every spelling of a letter, wildcards and brackets, a text
    // longer than any name, characters outside the 16-bit range.
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'ÂÑÃáñ*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'an[*]%_''x*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like '" + std::string(5000, 'a') +
        "*' ORDER by Nome",
    "SELECT Pessoas.Id, Nome FROM Pessoas WHERE Nome like 'A😀*' ORDER by Nome"};

String shown(const Variant& value) {
    return value.isNull() ? u"-" : value.toText();
}

std::vector<String> everyRow(const String& database, const std::string& statement) {
    DataControl data;
    data.DatabaseName(database);
    data.RecordSource(fromUtf8(statement));
    data.Refresh();
    const auto rows = data.rows();
    std::vector<String> found;
    for (std::size_t i = 0; rows->fetch(i); ++i)
        found.push_back(shown(rows->row(i)[0]) + u"|" + shown(rows->row(i)[1]));
    return found;
}

TEST(IndexedFirstRows, AreTheRowsOfTheCopyInItsOrder) {
    const ScratchDatabase db(kTablesSql);
    for (const auto& statement : kStatements) {
        const CacheFolder cache;
        const auto during = everyRow(db.path(), statement);
        detail::SqliteConnection connection(db.path(), u"");
        EXPECT_TRUE(testing::run(connection, statement, detail::CopyWait::UntilMade).fromCopy);
        EXPECT_EQ(during, everyRow(db.path(), statement)) << statement;
    }
}

TEST(IndexedFirstRows, AreReadThroughTheIndexOnlyWhereItTellsThem) {
    const ScratchDatabase db(std::string(kTablesSql) +
                             "CREATE TABLE Sem (Nome TEXT); CREATE TABLE Num (Nome INTEGER);"
                             "CREATE INDEX NumNome ON Num (Nome);");
    detail::SqliteConnection connection(db.path(), u"");
    const auto narrows = [&](const std::string& statement) {
        return detail::narrowThroughIndex(connection, connection.translate(statement), 256)
            .has_value();
    };
    EXPECT_TRUE(narrows(kStatements[0]));
    EXPECT_TRUE(narrows(kStatements[3]));
    EXPECT_TRUE(narrows(kStatements[6]));
    for (const char* other :
         {"SELECT Nome FROM Sem WHERE Nome like 'a*' ORDER by Nome",
          "SELECT Nome FROM Num WHERE Nome like '1*' ORDER by Nome",
          "SELECT Nome FROM Pessoas ORDER by Nome DESC",
          "SELECT Nome FROM Pessoas ORDER by Val(Nome)",
          "SELECT DISTINCT Nome FROM Pessoas ORDER by Nome",
          "SELECT Id, Nome FROM Pessoas WHERE Nome like 'an*' ORDER by Id",
          "SELECT count(*) as n, Nome FROM Pessoas GROUP by Solto ORDER by Nome",
          "SELECT Id as Nome, Solto FROM Pessoas ORDER by Nome"})
        EXPECT_FALSE(narrows(other)) << other;
}

} // namespace
} // namespace veltra
