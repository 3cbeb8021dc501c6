#include "command_line.h"

#include <audiopolicy.h>

#include <cstdio>

#include "audio_service_control.h"
#include "base/utf8.h"
#include "contract.h"
#include "machine_change.h"
#include "machine_editor.h"
#include "machine_layout.h"
#include "machine_printer.h"
#include "reg_file_parser.h"
#include "reg_key.h"
#include "session_store.h"
#include "started_processes.h"

namespace qevsim {

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

constexpr const wchar_t* kServedClasses[] = {L"{BCDE0395-E52F-467C-8E3D-C4579291692E}",
                                             L"{870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}"};

void write(FILE* stream, const std::wstring& text)
{
    const std::string bytes = qev::base::utf8_from_wide(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

int failed(const std::wstring& message)
{
    printError(L"qevsim: " + message + L"\n");
    return kFailed;
}

int badUsage(const std::wstring& message)
{
    printError(L"qevsim: " + message + L"\n" + CommandLine::usage());
    return kUsage;
}

bool parseSessionState(const std::wstring& text, AudioSessionState* state)
{
    const std::wstring word = toLower(text);
    if (word == L"inactive" || word == L"0") {
        *state = AudioSessionStateInactive;
    } else if (word == L"active" || word == L"1") {
        *state = AudioSessionStateActive;
    } else if (word == L"expired" || word == L"2") {
        *state = AudioSessionStateExpired;
    } else {
        return false;
    }
    return true;
}

bool parseNumber(const std::wstring& text, DWORD* value)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return false;
    }
    const unsigned long long number = std::stoull(text);
    if (number > 0xFFFFFFFFull) {
        return false;
    }
    *value = static_cast<DWORD>(number);
    return true;
}

// A session's endpoint must be on the machine; its id is written as the endpoint's own id.
bool sessionEndpoint(const std::wstring& text, std::wstring* id)
{
    const auto resolved = EndpointId::resolve(text);
    if (!resolved || !keyExists(HKEY_LOCAL_MACHINE, resolved->keyPath())) {
        return false;
    }
    *id = resolved->text();
    return true;
}

int result(bool ok, const std::wstring& error, const std::wstring& done)
{
    if (!ok) {
        return failed(error);
    }
    printOut(done);
    return kDone;
}

}  // namespace

void printOut(const std::wstring& text)
{
    write(stdout, text);
}

void printError(const std::wstring& text)
{
    write(stderr, text);
}

std::wstring CommandLine::usage()
{
    return L"usage: qevsim <command> [arguments]\n"
           L"  register                                   register the simulator DLL in this prefix\n"
           L"  driver-store-for <name.exe>...             let these executables load the simulated setupapi.dll\n"
           L"  compression-for <name.exe>...              let these executables load the simulated cabinet.dll\n"
           L"  load <machine.reg>                         replace the machine by a machine file\n"
           L"  clear                                      remove the machine (endpoints, sessions, keys it created)\n"
           L"  show                                       print the machine\n"
           L"  set-build <number>                         set the simulated Windows build\n"
           L"  add-endpoint <render|capture> <{GUID}> <friendly name> [state]\n"
           L"  remove-endpoint <id>\n"
           L"  set-state <id> <active|disabled|notpresent|unplugged>\n"
           L"  set-prop <id> <device|fx|default:{CLSID}|user:{CLSID}|volatile:{CLSID}> <{fmtid},pid>\n"
           L"           <sz|multi|dword|i4|empty> [value...]\n"
           L"  set-default <id> [console|multimedia|communications|all]\n"
           L"  session-add <endpoint id> <process id> [inactive|active] [display name]\n"
           L"  session-state <endpoint id> <number> <inactive|active|expired>\n"
           L"  session-disconnect <endpoint id> <number> [reason 0-5]\n"
           L"  session-remove <endpoint id> <number>\n"
           L"  switch <name> <on|off>                     set a contract switch (EndpointCallbackAddRef)\n"
           L"  process-start <name.exe>                   start a process with that image name; prints its id\n"
           L"  process-end <process id>                   end a process process-start started; its sessions expire\n"
           L"  service-stop | service-start               stop or start the Audiosrv service and wait (10 s at most)\n"
           L"  service-install                            install and start the Audiosrv service (prefix set-up)\n"
           L"clear ends the started processes; clear and load start Audiosrv again if it was stopped.\n"
           L"An endpoint id is {0.0.0.00000000}.{GUID} (render), {0.0.1.00000000}.{GUID} (capture) or the bare "
           L"{GUID}.\n";
}

int CommandLine::run(const std::vector<std::wstring>& args)
{
    if (args.empty()) {
        return badUsage(L"no command given");
    }
    const std::wstring& command = args[0];
    if (command == L"help" || command == L"--help") {
        printOut(usage());
        return kDone;
    }
    if (command == L"register") {
        return args.size() == 1 ? registerServer() : badUsage(L"register takes no arguments");
    }
    if (command == L"driver-store-for" || command == L"compression-for") {
        const wchar_t* const dll = command == L"driver-store-for" ? L"setupapi" : L"cabinet";
        return args.size() >= 2 ? useStandIn(dll, std::vector<std::wstring>(args.begin() + 1, args.end()))
                                : badUsage(command + L" needs executable names");
    }
    if (command.rfind(L"session-", 0) == 0) {
        return runSessionCommand(args);
    }
    if (command.rfind(L"process-", 0) == 0 || command.rfind(L"service-", 0) == 0) {
        return runProcessCommand(args);
    }
    return runMachineCommand(args);
}

int CommandLine::runMachineCommand(const std::vector<std::wstring>& args)
{
    const std::wstring& command = args[0];
    std::wstring error;
    if (command == L"show" && args.size() == 1) {
        printOut(MachinePrinter::describe());
        return kDone;
    }
    if (command == L"clear" && args.size() == 1) {
        // One test's stopped service or started process never reaches the next.
        const bool cleared =
            StartedProcesses::endAll(&error) && MachineEditor::clear(&error) && AudioServiceControl::start(&error);
        return result(cleared, error, L"machine cleared\n");
    }
    if (command == L"load" && args.size() == 2) {
        std::vector<RegOperation> ops;
        try {
            ops = RegFileParser::parse(RegFileParser::readFile(args[1]));
        } catch (const RegFileError& e) {
            const std::string what = e.what();
            return failed(args[1] + L": " + std::wstring(what.begin(), what.end()));
        }
        const bool loaded = MachineEditor::load(ops, &error) && AudioServiceControl::start(&error);
        return result(loaded, error, L"machine loaded from " + args[1] + L"\n");
    }
    if (command == L"set-build" && args.size() == 2) {
        return result(MachineEditor::setBuild(args[1], &error), error, L"Windows build set to " + args[1] + L"\n");
    }
    if (command == L"add-endpoint" && (args.size() == 4 || args.size() == 5)) {
        DWORD state = 1;
        if (args.size() == 5 && !parseDeviceState(args[4], &state)) {
            return badUsage(L"unknown endpoint state \"" + args[4] + L"\"");
        }
        return result(MachineEditor::addEndpoint(args[1], args[2], args[3], state, &error), error, L"endpoint added\n");
    }
    if (command == L"remove-endpoint" && args.size() == 2) {
        return result(MachineEditor::removeEndpoint(args[1], &error), error, L"endpoint removed\n");
    }
    if (command == L"set-state" && args.size() == 3) {
        DWORD state = 0;
        if (!parseDeviceState(args[2], &state)) {
            return badUsage(L"unknown endpoint state \"" + args[2] + L"\"");
        }
        return result(MachineEditor::setState(args[1], state, &error), error, L"state set\n");
    }
    if (command == L"set-prop" && args.size() >= 5) {
        const std::vector<std::wstring> values(args.begin() + 5, args.end());
        return result(MachineEditor::setProperty(args[1], args[2], args[3], args[4], values, &error), error,
                      L"property set\n");
    }
    if (command == L"switch" && args.size() == 3) {
        return setSwitch(args[1], args[2]);
    }
    if (command == L"set-default" && (args.size() == 2 || args.size() == 3)) {
        return result(MachineEditor::setDefault(args[1], args.size() == 3 ? args[2] : L"all", &error), error,
                      L"default set\n");
    }
    return badUsage(L"unknown command or wrong arguments: " + command);
}

int CommandLine::setSwitch(const std::wstring& name, const std::wstring& value)
{
    if (name != Contract::kEndpointCallbackAddRef) {
        return badUsage(L"unknown switch \"" + name + L"\"");
    }
    if (value != L"on" && value != L"off") {
        return badUsage(L"a switch is on or off");
    }
    const LONG rc = Contract::setSwitch(name, value == L"on" ? 1 : 0);
    return result(rc == ERROR_SUCCESS, L"cannot set the switch", name + L" " + value + L"\n");
}

int CommandLine::runSessionCommand(const std::vector<std::wstring>& args)
{
    const std::wstring& command = args[0];
    // Announced as the audio service would (qevsim plays the applications and the user).
    const MachineChange change(MachineChange::Reach::Structure);
    std::wstring endpoint;
    if (args.size() < 3) {
        return badUsage(L"unknown command or wrong arguments: " + command);
    }
    if (!sessionEndpoint(args[1], &endpoint)) {
        return failed(L"no endpoint \"" + args[1] + L"\" on this machine");
    }
    if (command == L"session-add" && args.size() >= 3 && args.size() <= 5) {
        DWORD processId = 0;
        AudioSessionState state = AudioSessionStateActive;
        if (!parseNumber(args[2], &processId)) {
            return badUsage(L"process id must be a number");
        }
        if (args.size() >= 4 && !parseSessionState(args[3], &state)) {
            return badUsage(L"unknown session state \"" + args[3] + L"\"");
        }
        const std::wstring number =
            SessionStore::create(endpoint, processId, state, args.size() == 5 ? args[4] : L"", L"");
        if (number.empty()) {
            return failed(L"cannot create the session");
        }
        printOut(number + L"\n");
        return kDone;
    }
    const std::wstring& number = args[2];
    if (!SessionStore::find(endpoint, number)) {
        return failed(L"no session " + number + L" on " + endpoint);
    }
    if (command == L"session-state" && args.size() == 4) {
        AudioSessionState state = AudioSessionStateInactive;
        if (!parseSessionState(args[3], &state)) {
            return badUsage(L"unknown session state \"" + args[3] + L"\"");
        }
        const LONG rc = SessionStore::setState(endpoint, number, state);
        return result(rc == ERROR_SUCCESS, L"cannot set the session state", L"session state set\n");
    }
    if (command == L"session-disconnect" && (args.size() == 3 || args.size() == 4)) {
        DWORD reason = DisconnectReasonDeviceRemoval;
        if (args.size() == 4 && (!parseNumber(args[3], &reason) || reason > DisconnectReasonExclusiveModeOverride)) {
            return badUsage(L"disconnect reason must be 0 to 5");
        }
        const LONG rc = SessionStore::disconnect(endpoint, number, reason);
        return result(rc == ERROR_SUCCESS, L"cannot disconnect the session", L"session disconnected\n");
    }
    if (command == L"session-remove" && args.size() == 3) {
        const LONG rc = SessionStore::remove(endpoint, number);
        return result(rc == ERROR_SUCCESS, L"cannot remove the session", L"session removed\n");
    }
    return badUsage(L"unknown command or wrong arguments: " + command);
}

int CommandLine::runProcessCommand(const std::vector<std::wstring>& args)
{
    const std::wstring& command = args[0];
    std::wstring error;
    if (command == L"process-start" && args.size() == 2) {
        if (!StartedProcesses::validImageName(args[1])) {
            return badUsage(L"\"" + args[1] + L"\" is not an executable file name (name.exe, no path)");
        }
        const auto processId = StartedProcesses::start(args[1], &error);
        return result(processId.has_value(), error, processId ? std::to_wstring(*processId) + L"\n" : L"");
    }
    if (command == L"process-end" && args.size() == 2) {
        DWORD processId = 0;
        if (!parseNumber(args[1], &processId)) {
            return badUsage(L"process id must be a number");
        }
        return result(StartedProcesses::end(processId, &error), error, L"process " + args[1] + L" ended\n");
    }
    if (args.size() == 1 && command == L"service-stop") {
        return result(AudioServiceControl::stop(&error), error, L"Audiosrv stopped\n");
    }
    if (args.size() == 1 && command == L"service-start") {
        return result(AudioServiceControl::start(&error), error, L"Audiosrv running\n");
    }
    if (args.size() == 1 && command == L"service-install") {
        return result(AudioServiceControl::install(&error), error, L"Audiosrv installed and running\n");
    }
    return badUsage(L"unknown command or wrong arguments: " + command);
}

int CommandLine::useStandIn(const std::wstring& dll, const std::vector<std::wstring>& executables)
{
    for (const auto& name : executables) {
        if (name.empty() || name.find_first_of(L"\\/") != std::wstring::npos || name.size() < 5 ||
            !equalsNoCase(name.substr(name.size() - 4), L".exe")) {
            return badUsage(L"\"" + name + L"\" is not an executable file name");
        }
    }
    for (const auto& name : executables) {
        // Wine's per-application override: only this executable prefers a native DLL of that
        // name (the simulator's, found beside it).
        const RegKey key =
            RegKey::create(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + name + L"\\DllOverrides", KEY_WRITE);
        if (!key || key.setString(dll, L"native,builtin") != ERROR_SUCCESS) {
            return failed(L"cannot write the override for " + name);
        }
        printOut(dll + L" override for " + name + L"\n");
    }
    return kDone;
}

int CommandLine::registerServer()
{
    wchar_t exe[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return failed(L"cannot find my own path");
    }
    std::wstring dll(exe, length);
    dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"qevaudiosim.dll";
    if (::GetFileAttributesW(dll.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return failed(L"simulator DLL not found at " + dll);
    }
    for (const wchar_t* clsid : kServedClasses) {
        const std::wstring path = std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + clsid + L"\\InprocServer32";
        const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, path, KEY_WRITE);
        if (!key || key.setString(L"", dll) != ERROR_SUCCESS ||
            key.setString(L"ThreadingModel", L"Both") != ERROR_SUCCESS) {
            return failed(std::wstring(L"cannot register class ") + clsid);
        }
    }
    printOut(L"registered " + dll + L"\n");
    return kDone;
}

}  // namespace qevsim
