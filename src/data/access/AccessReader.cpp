// The helper process that reads Access files: started with the file and a table, read
// with a deadline, stopped when it is over.
#include "Errors.h"
#include "access/AccessFile.h"
#include "veltra/Error.h"
#include "veltra/platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace veltra::detail {

namespace {

// A helper that has not answered by then is stopped: the file counts as unreadable.
// VELTRA_MDB_TIME_LIMIT (seconds) sets another limit.
std::chrono::seconds timeLimit() {
    if (const char* fromEnvironment = std::getenv("VELTRA_MDB_TIME_LIMIT"))
        return std::chrono::seconds(std::max(1, std::atoi(fromEnvironment)));
    return std::chrono::seconds(30);
}

[[noreturn]] void unreadable(const std::string& path, const std::string& why) {
    fail(DataError::AccessUnreadable, {path, why});
}

// The helper lies beside the library that holds this code (as in the build folder) or in
// the install's libexec folder relative to it; VELTRA_MDB_READER names another one.
std::string helperPath() {
    if (const char* fromEnvironment = std::getenv("VELTRA_MDB_READER"))
        return fromEnvironment;
#ifdef VELTRA_ACCESS_READER
    const std::filesystem::path here = folderHolding(reinterpret_cast<const void*>(&helperPath));
    for (const auto& candidate :
         {here / "veltra-mdb-reader", here / VELTRA_READER_FROM_LIBRARY / "veltra-mdb-reader"}) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored))
            return candidate.lexically_normal().string();
    }
#endif
    return "veltra-mdb-reader";
}

// The helper's output, read with a deadline; the helper is stopped when it is over.
class Helper {
  public:
    Helper(const std::string& path, const std::vector<std::string>& arguments) : path_(path) {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            unreadable(path, std::strerror(errno));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const std::string helper = helperPath();
        std::vector<char*> argv{const_cast<char*>(helper.c_str())};
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        const int spawned =
            posix_spawnp(&pid_, helper.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        fd_ = pipe[0];
        if (spawned != 0) {
            ::close(fd_);
            unreadable(path,
                       "o leitor " + helper + " não pôde ser iniciado: " + std::strerror(spawned));
        }
        deadline_ = std::chrono::steady_clock::now() + timeLimit();
    }
    ~Helper() {
        ::close(fd_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;

    void read(void* into, std::size_t size) {
        auto* out = static_cast<char*>(into);
        while (size > 0) {
            if (at_ == buffer_.size())
                fill();
            const std::size_t take = std::min(size, buffer_.size() - at_);
            std::memcpy(out, buffer_.data() + at_, take);
            at_ += take;
            out += take;
            size -= take;
        }
    }
    char byte() {
        char c = 0;
        read(&c, 1);
        return c;
    }
    std::string line() {
        std::string text;
        for (char c = byte(); c != '\n'; c = byte())
            text += c;
        return text;
    }
    bool atEnd() {
        if (at_ < buffer_.size())
            return false;
        return !fill(false);
    }
    // Waits for the helper and checks how it ended.
    void finish() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        if (WIFSIGNALED(status))
            unreadable(path_, "o leitor parou com o sinal " + std::to_string(WTERMSIG(status)));
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            unreadable(path_, "arquivo danificado ou que não é do Access");
    }

  private:
    bool fill(bool required = true) {
        buffer_.resize(1 << 16);
        at_ = 0;
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline_ - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                unreadable(path_, "tempo esgotado");
            pollfd poll{fd_, POLLIN, 0};
            if (::poll(&poll, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
                unreadable(path_, std::strerror(errno));
            if (!(poll.revents & (POLLIN | POLLHUP)))
                continue;
            const auto got = ::read(fd_, buffer_.data(), buffer_.size());
            if (got > 0) {
                buffer_.resize(static_cast<std::size_t>(got));
                return true;
            }
            buffer_.clear();
            if (required) {
                finish();
                unreadable(path_, "dados incompletos");
            }
            return false;
        }
    }

    std::string path_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t at_ = 0;
    std::chrono::steady_clock::time_point deadline_;
};

} // namespace

std::vector<std::string> accessTables(const std::string& path) {
    Helper helper(path, {path});
    std::vector<std::string> tables;
    while (!helper.atEnd())
        tables.push_back(helper.line());
    helper.finish();
    return tables;
}

void readAccessTable(const std::string& path, const std::string& table,
                     const std::function<void(const std::vector<AccessColumn>&)>& columns,
                     const std::function<void(const std::vector<AccessValue>&)>& row) {
    Helper helper(path, {path, table});
    if (helper.line() != "VELTRA-MDB 1")
        unreadable(path, "resposta inesperada do leitor");
    const std::string count = helper.line();
    if (count.empty() || count.size() > 4 ||
        count.find_first_not_of("0123456789") != std::string::npos)
        unreadable(path, "resposta inesperada do leitor");
    std::vector<AccessColumn> header(std::stoul(count));
    for (auto& column : header) {
        column.name = helper.line();
        column.type = helper.line().c_str()[0];
    }
    columns(header);
    std::vector<AccessValue> values(header.size());
    char mark = helper.byte();
    for (; mark == 'R'; mark = helper.byte()) {
        for (auto& value : values) {
            switch (helper.byte()) {
            case 'N':
                value = std::monostate{};
                break;
            case 'I': {
                std::int64_t number = 0;
                helper.read(&number, sizeof number);
                value = number;
                break;
            }
            case 'F': {
                double number = 0;
                helper.read(&number, sizeof number);
                value = number;
                break;
            }
            case 'T': {
                std::uint32_t size = 0;
                helper.read(&size, sizeof size);
                std::string text(size, '\0');
                helper.read(text.data(), size);
                value = std::move(text);
                break;
            }
            default:
                unreadable(path, "resposta inesperada do leitor");
            }
        }
        row(values);
    }
    if (mark != 'E')
        unreadable(path, "resposta inesperada do leitor");
    helper.finish();
}

} // namespace veltra::detail
