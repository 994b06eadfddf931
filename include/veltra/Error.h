// The one error type of the control's surroundings: a number and a description.
#pragma once

#include <stdexcept>
#include <string>

namespace veltra {

// Error numbers. The data source numbers its failures as the desktop database engine does.
namespace ErrorNumber {
inline constexpr int Overflow = 6;
inline constexpr int TypeMismatch = 13;
inline constexpr int ObjectNotSet = 91;
inline constexpr int InvalidUseOfNull = 94;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int OtherFailure = 3001;
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int RecordTooLarge = 3047;
inline constexpr int FileNotFound = 3024;
inline constexpr int ReadOnly = 3027;
inline constexpr int InvalidAccount = 3029;
inline constexpr int UnknownColumn = 3061;
inline constexpr int SyntaxError = 3075;
inline constexpr int TableNotFound = 3078;
inline constexpr int UnknownFunction = 3085;
inline constexpr int InvalidRecordSource = 3129;
inline constexpr int TextAfterStatement = 3142;
inline constexpr int UnknownConnect = 3170;
inline constexpr int UnknownField = 3265;
inline constexpr int NotADatabase = 3343;
// A database server's failures.
inline constexpr int NoReadPermission = 3112;
inline constexpr int ServerUnreachable = 3151;
inline constexpr int ServerTimeout = 3234;
inline constexpr int CriteriaTypeMismatch = 3464;
} // namespace ErrorNumber

// Thrown by child controls, the data source and host services when an operation fails.
// The description is UTF-8 and is shown to the developer as it stands.
class Error : public std::runtime_error {
  public:
    Error(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }

  private:
    int number_;
};

// A property set to a value it cannot take.
[[noreturn]] inline void throwInvalidPropertyValue() {
    throw Error(ErrorNumber::InvalidPropertyValue, "Valor de propriedade inválido.");
}

} // namespace veltra
