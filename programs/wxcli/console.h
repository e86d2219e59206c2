#pragma once
// Console output of the command-line tool: UTF-16 to a console, UTF-8 to a
// pipe or file (so that its output reads the same from Linux through Wine).
#include <string>
#include <string_view>
#include <vector>

namespace wxcli {

void Out(std::wstring_view text);
void Err(std::wstring_view text);
std::wstring Hex(unsigned long value);

using Args = std::vector<std::wstring>;
// Removes `--name` from args; true when it was there.
bool TakeFlag(Args& args, std::wstring_view name);
// Removes `--name VALUE` from args and returns VALUE (empty when absent).
bool TakeOption(Args& args, std::wstring_view name, std::wstring& value);

// Reports a failed operation on the error stream ("what: error 0x... at step N
// text", the step only when given) and returns the exit code 1.
int Failed(const wchar_t* what, long result, unsigned step = 0);

// Each command returns the process exit code: 0 success, 1 a failed
// operation, 2 a usage error.
int CommandIni(Args args);
int CommandVersion(Args args);
int CommandInfo(Args args);
int CommandInspect(Args args);
int CommandSystem(Args args);
int CommandInstalled(Args args);
int CommandValidate(Args args);
int CommandHash(Args args);
int CommandHistory(Args args);
int CommandLog(Args args);
int CommandFetch(Args args);
int CommandRegister(Args args);
int CommandUnregister(Args args);
int CommandList(Args args);
int CommandCheck(Args args);
int CommandItems(Args args);
int CommandDownload(Args args);
int CommandWallet(Args args);
int CommandInstall(Args args);

}  // namespace wxcli
