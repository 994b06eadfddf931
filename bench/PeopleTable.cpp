#include "PeopleTable.h"

#include "dialect/Folding.h"
#include "sqlite/SqliteDialect.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sqlite3.h>

namespace veltra::bench {

namespace {

constexpr const char* kFirstNames[] = {
    "Ana",     "Antônio",  "Ângela", "Álvaro",  "Beatriz", "Bruno",  "Caio",     "Cecília",
    "Cláudia", "Daniel",   "Débora", "Eduardo", "Élida",   "Fábio",  "Fernanda", "Gabriel",
    "Gustavo", "Helena",   "Heitor", "Igor",    "Inês",    "João",   "José",     "Júlia",
    "Lúcia",   "Luís",     "Marcos", "Maria",   "Mário",   "Mônica", "Natália",  "Otávio",
    "Paulo",   "Patrícia", "Raquel", "Rogério", "Sérgio",  "Sílvia", "Tânia",    "Tomás"};
constexpr const char* kParticles[] = {"da", "de", "do", "dos", "das"};
constexpr const char* kSurnames[] = {"Silva",     "Santos",     "Oliveira",  "Souza",     "Araújo",
                                     "Conceição", "Gonçalves",  "Magalhães", "Simões",    "Brandão",
                                     "Falcão",    "Leão",       "Sá",        "Ribeiro",   "Pereira",
                                     "Lima",      "Carvalho",   "Gomes",     "Martins",   "Rocha",
                                     "Almeida",   "Nascimento", "Assunção",  "Guimarães", "Müller"};

void check(sqlite3* db, int code) {
    if (code != SQLITE_OK && code != SQLITE_DONE) {
        std::cerr << "benchmark: " << sqlite3_errmsg(db) << '\n';
        std::exit(1);
    }
}

// The state a person lives in: the extra column the list can show after the name.
constexpr const char* kStates[] = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO",
                                   "MA", "MT", "MS", "MG", "PA", "PB", "PR", "PE", "PI",
                                   "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO"};

template <std::size_t N>
const char* pick(std::mt19937& random, const char* const (&list)[N]) {
    return list[std::uniform_int_distribution<std::size_t>(0, N - 1)(random)];
}

} // namespace

std::string personName(std::mt19937& random) {
    std::string name = pick(random, kFirstNames);
    if (random() % 3 == 0)
        name += std::string(" ") + pick(random, kFirstNames);
    if (random() % 2 == 0)
        name += std::string(" ") + pick(random, kParticles);
    name += std::string(" ") + pick(random, kSurnames);
    if (random() % 2 == 0)
        name += std::string(" ") + pick(random, kSurnames);
    return name;
}

PeopleTable::PeopleTable(std::size_t rows) : folder_("veltra-bench"), rows_(rows) {
    file_ = utf8Path(folder_.path() / "pessoas.db");
    const auto start = std::chrono::steady_clock::now();
    sqlite3* db = nullptr;
    check(db, sqlite3_open(file_.c_str(), &db));
    check(db, sqlite3_exec(
                  db, "CREATE TABLE Pessoas (Id INTEGER PRIMARY KEY, Nome TEXT, UF TEXT); BEGIN",
                  nullptr, nullptr, nullptr));
    sqlite3_stmt* insert = nullptr;
    check(db, sqlite3_prepare_v2(db, "INSERT INTO Pessoas (Nome, UF) VALUES (?, ?)", -1, &insert,
                                 nullptr));
    std::mt19937 random(20261205);
    for (std::size_t i = 0; i < rows; ++i) {
        const std::string name = personName(random);
        sqlite3_bind_text(insert, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, pick(random, kStates), -1, SQLITE_STATIC);
        check(db, sqlite3_step(insert));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    // The plain index a database usually has, which the raw query uses.
    check(db, sqlite3_exec(db, "COMMIT; CREATE INDEX PessoasNome ON Pessoas (Nome)", nullptr,
                           nullptr, nullptr));
    sqlite3_close(db);
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const std::string& PeopleTable::indexedFile() {
    if (!indexedFile_.empty())
        return indexedFile_;
    const auto indexed = folder_.path() / "pessoas-indexada.db";
    std::filesystem::copy_file(pathOfUtf8(file_), indexed);
    sqlite3* db = nullptr;
    check(db, sqlite3_open(utf8Path(indexed).c_str(), &db));
    sqlite3_create_collation(
        db, detail::kCollation, SQLITE_UTF8, nullptr,
        [](void*, int lengthA, const void* a, int lengthB, const void* b) {
            return dialect::compareFolded(
                {static_cast<const char*>(a), static_cast<std::size_t>(lengthA)},
                {static_cast<const char*>(b), static_cast<std::size_t>(lengthB)});
        });
    check(db,
          sqlite3_exec(db, "CREATE INDEX PessoasNomeVeltra ON Pessoas (Nome COLLATE veltra_fold)",
                       nullptr, nullptr, nullptr));
    sqlite3_close(db);
    indexedFile_ = utf8Path(indexed);
    return indexedFile_;
}

double percentile(std::vector<double> samples, double p) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    return samples[std::min(samples.size() - 1, static_cast<std::size_t>(p * samples.size()))];
}

} // namespace veltra::bench
