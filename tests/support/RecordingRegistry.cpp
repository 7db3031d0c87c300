#include "tests/support/RecordingRegistry.h"

#include "tests/support/RegistryTree.h"

#include <cstdio>

namespace vs::test {

namespace {
std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}
// A value name; the default value shows as "" whether it was passed as null or empty.
std::string ValueName(const wchar_t* name) {
    return name ? Narrow(name) : std::string();
}
std::string Join(std::string parent, const wchar_t* path) {
    if (path && *path)
        parent.append(1, '\\').append(Narrow(path));
    return parent;
}
} // namespace

std::string RecordingRegistry::PathOf(KeyHandle key) const {
    if (!key)
        return "(null)";
    if (key == ClassesRoot())
        return "HKCR";
    if (key == CurrentUser())
        return "HKCU";
    if (key == LocalMachine())
        return "HKLM";
    auto it = paths_.find(key);
    return it == paths_.end() ? "(unknown)" : it->second;
}

std::vector<std::string> RecordingRegistry::Calls(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& line : calls)
        if (line.compare(0, prefix.size(), prefix) == 0)
            matching.push_back(line);
    return matching;
}

Status RecordingRegistry::Opened(const char* verb, Status status, KeyHandle parent, const wchar_t* path,
                                 std::uint32_t access, KeyHandle* out) {
    const std::string full = Join(PathOf(parent), path);
    if (status == kOk)
        paths_[*out] = full;
    calls.push_back(verb + full + " " + Hex(access) + " = " + std::to_string(status));
    return status;
}

Status RecordingRegistry::OpenKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                  KeyHandle* out) {
    return Opened("Open ", inner_.OpenKey(parent, path, access, out), parent, path, access, out);
}

Status RecordingRegistry::CreateKey(KeyHandle parent, const wchar_t* path, std::uint32_t access,
                                    KeyHandle* out) {
    return Opened("Create ", inner_.CreateKey(parent, path, access, out), parent, path, access, out);
}

Status RecordingRegistry::EnumKey(KeyHandle key, std::uint32_t index, wchar_t* name,
                                  std::uint32_t* capacity) {
    const Status status = inner_.EnumKey(key, index, name, capacity);
    if (recordReads)
        calls.push_back("EnumKey " + PathOf(key) + " " + std::to_string(index) + " = " +
                        std::to_string(status));
    return status;
}

Status RecordingRegistry::EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name,
                                    std::uint32_t* nameCapacity, std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t* size) {
    const Status status = inner_.EnumValue(key, index, name, nameCapacity, type, data, size);
    if (recordReads)
        calls.push_back("EnumValue " + PathOf(key) + " " + std::to_string(index) + " = " +
                        std::to_string(status));
    return status;
}

Status RecordingRegistry::QueryValue(KeyHandle key, const wchar_t* name, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) {
    const Status status = inner_.QueryValue(key, name, type, data, size);
    if (recordReads)
        calls.push_back("Query " + PathOf(key) + " \"" + ValueName(name) + "\" = " + std::to_string(status));
    return status;
}

Status RecordingRegistry::SetValue(KeyHandle key, const wchar_t* name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
    const Status status = inner_.SetValue(key, name, type, data, size);
    calls.push_back("Set " + PathOf(key) + " \"" + ValueName(name) + "\" " + TypeName(type) + " " +
                    std::to_string(size) + " = " + std::to_string(status));
    return status;
}

Status RecordingRegistry::DeleteKey(KeyHandle parent, const wchar_t* name) {
    const Status status = inner_.DeleteKey(parent, name);
    calls.push_back("Delete " + Join(PathOf(parent), name) + " = " + std::to_string(status));
    return status;
}

Status RecordingRegistry::FlushKey(KeyHandle key) {
    const Status status = inner_.FlushKey(key);
    calls.push_back("Flush " + PathOf(key));
    return status;
}

Status RecordingRegistry::CloseKey(KeyHandle key) {
    const Status status = inner_.CloseKey(key);
    calls.push_back("Close " + PathOf(key));
    paths_.erase(key);
    return status;
}

} // namespace vs::test
