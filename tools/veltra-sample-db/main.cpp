// Builds the sample database from the bundled CSV files:
//   veltra-sample-db DATA_FOLDER OUTPUT.db
// Cidades(Id, Nome, EstadoId, UF) and Estados(Id, Sigla, Nome), each with an index on its
// name column, and Pessoas(Id, Nome): person names with accents and particles, generated
// with a fixed seed. UF is the abbreviation of the town's state, which tells apart the
// towns of one name (five called Bom Jesus).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sqlite3.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Table {
    const char* file;
    const char* schema;
    const char* insert;
    const char* index;
};

const Table kTables[] = {
    {"estados.csv", "CREATE TABLE Estados (Id INTEGER PRIMARY KEY, Sigla TEXT, Nome TEXT)",
     "INSERT INTO Estados VALUES (?, ?, ?)", "CREATE INDEX EstadosNome ON Estados (Nome)"},
    {"cidades.csv", "CREATE TABLE Cidades (Id INTEGER PRIMARY KEY, Nome TEXT, EstadoId INTEGER)",
     "INSERT INTO Cidades VALUES (?, ?, ?)", "CREATE INDEX CidadesNome ON Cidades (Nome)"},
};

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool inQuotes = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && inQuotes && i + 1 < line.size() && line[i + 1] == '"')
            fields.back() += '"', ++i;
        else if (c == '"')
            inQuotes = !inQuotes;
        else if (c == ',' && !inQuotes)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

void check(sqlite3* db, int code, const std::string& what) {
    if (code != SQLITE_OK && code != SQLITE_DONE)
        throw std::runtime_error(what + ": " + sqlite3_errmsg(db));
}

void load(sqlite3* db, const std::string& folder, const Table& table) {
    const std::string path = folder + "/" + table.file;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    check(db, sqlite3_exec(db, table.schema, nullptr, nullptr, nullptr), table.schema);
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db, table.insert, -1, &insert, nullptr), table.insert);
    std::string line;
    std::getline(in, line); // header
    for (int number = 2; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const auto fields = splitFields(line);
        if (fields.size() != 3)
            throw std::runtime_error(path + ":" + std::to_string(number) + ": expected 3 fields");
        for (int i = 0; i < 3; ++i)
            sqlite3_bind_text(insert, i + 1, fields[i].c_str(), -1, SQLITE_TRANSIENT);
        check(db, sqlite3_step(insert), path + ":" + std::to_string(number));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(db, sqlite3_exec(db, table.index, nullptr, nullptr, nullptr), table.index);
}

constexpr const char* kFirstNames[] = {
    "Ana",     "Antônio", "Ângela", "Álvaro",  "Beatriz",  "Bruno",    "Caio",    "Cecília",
    "Cláudia", "Daniel",  "Débora", "Eduardo", "Fábio",    "Fernanda", "Gabriel", "Helena",
    "Inês",    "João",    "José",   "Júlia",   "Lúcia",    "Luís",     "Marcos",  "Maria",
    "Mário",   "Mônica",  "Otávio", "Paulo",   "Patrícia", "Raquel",   "Sérgio",  "Tânia"};
constexpr const char* kParticles[] = {"da", "de", "do", "dos", "das", "e"};
constexpr const char* kSurnames[] = {
    "Silva",    "Santos",  "Oliveira", "Souza", "Araújo",  "Conceição",  "Gonçalves", "Magalhães",
    "Simões",   "Brandão", "Falcão",   "Leão",  "Sá",      "Ribeiro",    "Pereira",   "Lima",
    "Carvalho", "Gomes",   "Martins",  "Rocha", "Almeida", "Nascimento", "Assunção",  "Guimarães"};
constexpr int kPeople = 3000;

// A small linear congruential generator: the same names on every machine.
class Sequence {
  public:
    std::size_t next(std::size_t bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>(state_ >> 33) % bound;
    }

  private:
    unsigned long long state_ = 20261205;
};

template <std::size_t N>
const char* pick(Sequence& sequence, const char* const (&names)[N]) {
    return names[sequence.next(N)];
}

void generatePeople(sqlite3* db) {
    check(db,
          sqlite3_exec(db, "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT)", nullptr,
                       nullptr, nullptr),
          "CREATE TABLE Pessoas");
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db, "INSERT INTO Pessoas (Nome) VALUES (?)", -1, &insert, nullptr),
          "INSERT INTO Pessoas");
    Sequence sequence;
    for (int i = 0; i < kPeople; ++i) {
        std::string name = pick(sequence, kFirstNames);
        if (sequence.next(3) == 0)
            name += std::string(" ") + pick(sequence, kFirstNames);
        name += std::string(" ") + pick(sequence, kParticles) + " " + pick(sequence, kSurnames);
        if (sequence.next(2) == 0)
            name += std::string(" ") + pick(sequence, kSurnames);
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        check(db, sqlite3_step(insert), "INSERT INTO Pessoas");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    check(db,
          sqlite3_exec(db, "CREATE INDEX PessoasNome ON Pessoas (Nome)", nullptr, nullptr, nullptr),
          "CREATE INDEX PessoasNome");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: veltra-sample-db DATA_FOLDER OUTPUT.db\n";
        return 2;
    }
    std::remove(argv[2]);
    sqlite3* db = nullptr;
    try {
        if (sqlite3_open(argv[2], &db) != SQLITE_OK)
            throw std::runtime_error(std::string("cannot create ") + argv[2]);
        check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), "BEGIN");
        for (const auto& table : kTables)
            load(db, argv[1], table);
        check(db,
              sqlite3_exec(db,
                           "ALTER TABLE Cidades ADD COLUMN UF TEXT; UPDATE Cidades SET UF = "
                           "(SELECT Sigla FROM Estados WHERE Estados.Id = Cidades.EstadoId)",
                           nullptr, nullptr, nullptr),
              "Cidades.UF");
        generatePeople(db);
        check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "COMMIT");
    } catch (const std::exception& error) {
        std::cerr << "veltra-sample-db: " << error.what() << '\n';
        sqlite3_close(db);
        std::remove(argv[2]);
        return 1;
    }
    sqlite3_close(db);
    return 0;
}
