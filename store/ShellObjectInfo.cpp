#include "ShellObjectInfo.h"

#include "ClassRoots.h"
#include "DesktopIcon.h"
#include "ShellNotify.h"

#include <climits>

namespace vs {

namespace {

constexpr std::uint32_t kTextCapacity = 1000;
// "InfoTip" is queried with 1000 bytes, so at most 499 characters and the NUL fit.
constexpr std::uint32_t kInfoTipBytes = 1000;
constexpr std::uint32_t kIconLocationBytes = 260 * 2;
constexpr std::int32_t kDefaultSortOrderIndex = 256;

// The parsing name of an object inside its place's folder: the folder's own class
// identifier path, then "::" and the object's.
std::wstring ParsingName(int placeIndex, const std::wstring& clsid) {
    static constexpr const wchar_t* kPrefixes[4] = {
        L"",
        L"::{21EC2020-3AEA-1069-A2DD-08002b30309d}\\",
        L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\",
        L"::{7007ACC7-3202-11D1-AAD2-00805FC1270E}\\",
    };
    const wchar_t* prefix = placeIndex >= 0 && placeIndex < 8 ? kPrefixes[placeIndex % 4] : L"";
    return prefix + (L"::" + clsid);
}

} // namespace

ShellObjectInfo ShellObjectInfo::Read(RegistryStore& store, Platform& platform, int placeIndex,
                                      const std::wstring& clsid) {
    ShellObjectInfo info;
    info.platform_ = &platform;
    info.placeIndex = placeIndex;
    info.clsid = clsid;
    info.classKey_.emplace(store);
    // This user's classes first, as Windows' merged view of HKEY_CLASSES_ROOT has it, then
    // the machine's, where earlier versions wrote every class key. Both explicitly: Wine's
    // HKEY_CLASSES_ROOT shows no user's classes. A key of this user's that is there but
    // does not open is this record's all the same. Both keys are opened for reading only:
    // a standard user sees the machine's objects, and a setter asks for write access when
    // it writes. A class key that does not open leaves a closed record with empty texts:
    // nothing is asked of the shell for it.
    info.classesHive = CurrentUser();
    info.openStatus = info.classKey_->Open(CurrentUser(), ClassKeyPath(clsid));
    if (info.openStatus == kFileNotFound) {
        info.classesHive = LocalMachine();
        info.openStatus = info.classKey_->Open(LocalMachine(), ClassKeyPath(clsid));
    }
    if (info.openStatus != kOk)
        return info;
    info.copyKey_.emplace(store);
    info.copyStatus = info.copyKey_->Open(info.classesHive, Class32KeyPath(clsid));
    info.ReadName(platform);
    info.ReadDescription(platform);
    info.ReadSortOrder();
    info.ReadTarget(platform);
    info.TakeIconLocation();
    return info;
}

// The shell's answer counts only when it gives some text: an empty display name would
// leave the row without a name, so the fallback stands instead.
std::optional<std::wstring> ShellObjectInfo::ShellName(Platform& platform, std::uint32_t flags) {
    parsingName = ParsingName(placeIndex, clsid);
    std::optional<std::wstring> text = platform.DisplayName(parsingName, flags);
    if (!text || text->empty())
        return std::nullopt;
    return text;
}

// The default value when it is a non-empty string; otherwise the shell's name, and
// failing that the class identifier.
void ShellObjectInfo::ReadName(Platform& platform) {
    StringRead read = classKey_->ReadString(L"", kTextCapacity);
    if (read.status == kOk && !read.text.empty()) {
        name = std::move(read.text);
        return;
    }
    std::optional<std::wstring> shell = ShellName(platform, kShgdnNormal);
    name = shell ? std::move(*shell) : clsid;
}

// "InfoTip" as text; an indirect string ("@...") is resolved by the shell, expanded first
// when stored as REG_EXPAND_SZ. The type matters for nothing else.
void ShellObjectInfo::ReadDescription(Platform& platform) {
    const TextRead infoTip = classKey_->ReadText(L"InfoTip", kInfoTipBytes);
    if (infoTip.status != kOk)
        return;
    if (infoTip.text.empty() || infoTip.text.front() != L'@') {
        description = infoTip.text;
        return;
    }
    const std::wstring source =
        infoTip.type == kRegExpandSz ? platform.ExpandEnvironment(infoTip.text) : infoTip.text;
    // A string the shell cannot resolve is shown as stored.
    std::optional<std::wstring> resolved = platform.LoadIndirectString(source);
    description = resolved ? std::move(*resolved) : infoTip.text;
}

// "SortOrderIndex", read over the default of 256: only a complete read replaces it.
void ShellObjectInfo::ReadSortOrder() {
    const DwordRead read =
        classKey_->ReadDword(L"SortOrderIndex", static_cast<std::uint32_t>(kDefaultSortOrderIndex));
    sortOrderIndex = static_cast<std::int32_t>(read.value);
    const DwordRead pin = classKey_->ReadDword(kPinnedValueName);
    pinned = pin.IsDword() && pin.value != 0;
}

// A folder object's "Target", else a program object's command; when neither gives text,
// the shell's parsing name, and failing that the class identifier.
void ShellObjectInfo::ReadTarget(Platform& platform) {
    RegKey subkey(classKey_->Store());
    if (subkey.Open(Key(), L"Instance\\InitPropertyBag") == kOk) {
        if (StringRead read = subkey.ReadString(L"Target", kTextCapacity); read.status == kOk)
            target = std::move(read.text);
        targetKind = TargetKind::Folder;
    } else if (subkey.Open(Key(), L"Shell\\Open\\Command") == kOk) {
        if (StringRead read = subkey.ReadString(L"", kTextCapacity); read.status == kOk)
            target = std::move(read.text);
        targetKind = TargetKind::Program;
    }
    subkey.Close();
    if (!target.empty())
        return;
    targetKind = TargetKind::None;
    std::optional<std::wstring> shell = ShellName(platform, kShgdnForParsing);
    target = shell ? std::move(*shell) : clsid;
}

std::optional<std::wstring> ShellObjectInfo::ReadIconLocation() const {
    if (!IsOpen())
        return std::nullopt;
    RegKey defaultIcon(classKey_->Store());
    if (defaultIcon.Open(Key(), L"DefaultIcon") != kOk)
        return std::nullopt;
    // Bounded by the bytes returned, whether or not the text ends in its NUL.
    const TextRead location = defaultIcon.ReadText(L"", kIconLocationBytes);
    if (location.status != kOk || (location.type != kRegSz && location.type != kRegExpandSz))
        return std::wstring();
    return location.text;
}

void ShellObjectInfo::TakeIconLocation() {
    std::optional<std::wstring> location = ReadIconLocation();
    hasIconLocation = location.has_value();
    iconLocation = location ? std::move(*location) : std::wstring();
}

template <typename Write> Status ShellObjectInfo::WriteBoth(Write write) {
    if (!IsOpen())
        return openStatus;
    // A copy that cannot be written would fall out of step: nothing is written then.
    if (copyStatus != kOk && copyStatus != kFileNotFound)
        return copyStatus;
    RegKey classKey(classKey_->Store());
    RegKey copyKey(classKey_->Store());
    Status status = classKey.Open(classesHive, ClassKeyPath(clsid), kKeyReadWrite);
    if (status == kOk && copyStatus == kOk)
        status = copyKey.Open(classesHive, Class32KeyPath(clsid), kKeyReadWrite);
    if (status == kOk)
        status = write(classKey);
    if (status == kOk && copyKey.IsOpen())
        status = write(copyKey);
    return status;
}

Status ShellObjectInfo::SetName(const std::wstring& text) {
    const Status status = WriteBoth([&](RegKey& key) { return key.SetString(L"", text); });
    if (status == kOk)
        name = text;
    return status;
}

Status ShellObjectInfo::SetDescription(const std::wstring& text) {
    const Status status = WriteBoth([&](RegKey& key) { return key.SetString(L"InfoTip", text); });
    if (status == kOk)
        description = text;
    return status;
}

Status ShellObjectInfo::SetIconLocation(const std::wstring& text) {
    return WriteBoth([&](RegKey& key) {
        RegKey defaultIcon(key.Store());
        Status status = defaultIcon.Create(key.Get(), L"DefaultIcon");
        if (status == kOk)
            status = defaultIcon.SetString(L"", text);
        return status;
    });
}

Status ShellObjectInfo::SetSortOrderIndex(std::int32_t value) {
    const Status status = WriteBoth(
        [&](RegKey& key) { return key.SetDword(L"SortOrderIndex", static_cast<std::uint32_t>(value)); });
    if (status == kOk)
        sortOrderIndex = value;
    return status;
}

Status ShellObjectInfo::SetPinned(bool pin) {
    if (!IsOpen())
        return openStatus;
    const bool newCopy = pin && copyStatus == kFileNotFound;
    if (newCopy) {
        // No copy is made of a class key that may not be written.
        RegKey classKey(classKey_->Store());
        if (const Status status = classKey.Open(classesHive, ClassKeyPath(clsid), kKeyReadWrite);
            status != kOk)
            return status;
        if (const Status status = Make32BitCopy(); status != kOk)
            return status;
    }
    const Status status =
        WriteBoth([&](RegKey& key) { return key.SetDword(kPinnedValueName, pin ? 1u : 0u); });
    if (status == kOk) {
        pinned = pin;
    } else if (newCopy) {
        (void)Delete32BitCopy(); // written just now; what remains of it is the copy's failure
        copyStatus = kFileNotFound;
    }
    return status;
}

Status ShellObjectInfo::Make32BitCopy() {
    RegKey classes(classKey_->Store());
    Status status = classes.Create(classesHive, kClasses32Path);
    if (status == kOk)
        status = CopyKeyTree(classKey_->Store(), Key(), classes.Get(), clsid.c_str());
    if (status == kOk)
        status = copyKey_->Open(classesHive, Class32KeyPath(clsid));
    if (status != kOk) {
        (void)Delete32BitCopy(); // the failure above is what is told
        return status;
    }
    copyStatus = kOk;
    return kOk;
}

Status ShellObjectInfo::Delete32BitCopy() {
    copyKey_->Close();
    RegKey classes(classKey_->Store());
    Status status = classes.Open(classesHive, kClasses32Path, kKeyReadWrite);
    if (status == kOk)
        status = classes.DeleteTree(clsid.c_str());
    return status == kFileNotFound ? kOk : status;
}

Status ShellObjectInfo::Release() {
    --useCount;
    if (useCount != 0)
        return kOk;
    // A class key that did not open for writing stays behind; one that is missing is gone.
    if (!IsOpen())
        return openStatus == kFileNotFound ? kOk : openStatus;
    classKey_->Close();
    openStatus = kKeyDeleted; // what a later setter reports
    RegKey classes(classKey_->Store());
    Status status = classes.Open(classesHive, kClassesPath, kKeyReadWrite);
    if (status == kOk)
        status = classes.DeleteTree(clsid.c_str());
    // Someone else removed it already: what was meant has happened.
    if (status == kFileNotFound)
        status = kOk;
    // The copy goes with the class key, never before it.
    if (status == kOk && copyStatus != kFileNotFound)
        status = Delete32BitCopy();
    return status;
}

IdList ShellObjectInfo::FolderIdList() const {
    if (!platform_)
        return nullptr;
    return PlaceFolderIdList(*platform_, placeIndex);
}

IconLocationParts SplitIconLocation(const std::wstring& location) {
    IconLocationParts parts;
    const std::size_t comma = location.rfind(L',');
    if (comma == std::wstring::npos) {
        parts.file = location;
        return parts;
    }
    parts.file = location.substr(0, comma);
    std::size_t at = comma + 1;
    while (at < location.size() && (location[at] == L' ' || location[at] == L'\t' || location[at] == L'\n' ||
                                    location[at] == L'\r' || location[at] == L'\v' || location[at] == L'\f'))
        ++at;
    bool negative = false;
    if (at < location.size() && (location[at] == L'+' || location[at] == L'-'))
        negative = location[at++] == L'-';
    // Huge indexes clamp to the int range instead of overflowing.
    long long value = 0;
    for (; at < location.size() && location[at] >= L'0' && location[at] <= L'9'; ++at) {
        value = value * 10 + (location[at] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    parts.index = static_cast<int>(value);
    return parts;
}

} // namespace vs
