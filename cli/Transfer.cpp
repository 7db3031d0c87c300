#include "cli/Transfer.h"

#include "cli/InventoryRows.h"
#include "cli/ListOutput.h"
#include "res/resource.h"
#include "store/BackupFolder.h"
#include "store/RegTransfer.h"
#include "store/ShellNotify.h"

namespace vs::cli {

namespace {

void Fail(CliHost& host, unsigned id, const std::vector<std::wstring>& args) {
    host.Err(FormatText(host.Text(id), args) + kNewline);
}

std::wstring ClassOf(const ShellObjectEntry& entry) {
    if (entry.info)
        return entry.info->clsid;
    constexpr std::size_t kHiddenPrefix = 6; // "hidden"
    return entry.hidden ? entry.keyName.substr(kHiddenPrefix) : entry.keyName;
}

// The key that failed, with the value when a value failed.
std::wstring FailedKey(const WriteFailure& failure) {
    const std::wstring key =
        FullKeyName(failure.tree.root, failure.key.empty() ? failure.tree.path : failure.key);
    return failure.value.empty() ? key : key + L" \"" + failure.value + L"\"";
}

} // namespace

int ExportObjects(const Request& request, RegistryStore& store, Platform& platform, CliHost& host) {
    // Every entry is seen, as the other commands on an OBJECT see them.
    InventoryRows inventory(store, platform);
    inventory.Read(true,
                   [&host](const std::wstring& a, const std::wstring& b) { return host.CompareNames(a, b); });
    std::vector<TreeRef> trees;
    bool missing = false;
    for (const ObjectRef& object : request.objects) {
        bool found = false;
        for (const ObjectRow& row : inventory.Rows()) {
            const ShellObjectEntry& entry = *row.entry;
            if (!NamesEqual(ClassOf(entry), object.clsid) ||
                (object.placeIndex >= 0 && row.placeIndex != object.placeIndex))
                continue;
            found = true;
            for (TreeRef& tree : ClassKeyTrees(ClassOf(entry)))
                trees.push_back(std::move(tree));
            trees.push_back({entry.hive, entry.parentPath.empty()
                                             ? entry.keyName
                                             : entry.parentPath + L"\\" + entry.keyName});
        }
        if (!found) {
            Fail(host, IDS_CLI_NO_SUCH_OBJECT, {object.text});
            missing = true;
        }
    }
    if (missing)
        return kExitFailed;
    const ExportResult result = ExportTrees(store, trees);
    if (result.status != kOk) {
        const std::wstring key = FullKeyName(result.failed.root, result.failed.path);
        if (result.status == kInvalidData)
            Fail(host, IDS_CLI_EXPORT_BAD_NAME, {key});
        else
            Fail(host, IDS_CLI_COULD_NOT_EXPORT, {key, host.StatusText(result.status)});
        return kExitFailed;
    }
    if (!WriteFileBytes(request.file, result.bytes)) {
        Fail(host, IDS_CLI_COULD_NOT_WRITE_FILE, {request.file});
        return kExitFailed;
    }
    return kExitDone;
}

int ImportFile(const Request& request, RegistryStore& store, Platform& platform, CliHost& host) {
    const std::wstring& file = request.file;
    auto errorText = [&host](RegFileError error) {
        return host.Text(IDS_REGFILE_ERROR + static_cast<unsigned>(error));
    };
    std::vector<std::uint8_t> bytes;
    bool tooLarge = false;
    if (!ReadFileBytes(file, bytes, kMaxRegFileBytes, &tooLarge)) {
        if (tooLarge)
            Fail(host, IDS_CLI_IMPORT_BAD_FILE, {file, errorText(RegFileError::FileTooLarge)});
        else
            Fail(host, IDS_CLI_COULD_NOT_READ_FILE, {file});
        return kExitFailed;
    }
    RegFileParseOptions options;
    options.decodeAnsi = host.AnsiDecoder();
    const ImportPlan plan = PlanImport(store, bytes.data(), bytes.size(), options);
    switch (plan.problem) {
    case ImportProblem::None:
        break;
    case ImportProblem::BadFile:
        if (plan.issue.line)
            Fail(host, IDS_CLI_IMPORT_BAD_LINE,
                 {file, std::to_wstring(plan.issue.line), errorText(plan.issue.error)});
        else
            Fail(host, IDS_CLI_IMPORT_BAD_FILE, {file, errorText(plan.issue.error)});
        return kExitFailed;
    case ImportProblem::Refused:
        for (const RefusedKey& key : plan.refused)
            Fail(host, IDS_CLI_IMPORT_REFUSED,
                 {file, std::to_wstring(key.line),
                  (key.remove ? L"[-" : L"[") + FullKeyName(key.root, key.path) + L"]"});
        return kExitFailed;
    case ImportProblem::ReadFailed:
        Fail(host, IDS_CLI_IMPORT_NOT_READ,
             {file, FullKeyName(plan.readTree.root, plan.readTree.path), host.StatusText(plan.readStatus)});
        return kExitFailed;
    }
    const ChangeReport report = ExecuteImport(store, plan);
    if (report.Ok() || !report.unchanged)
        for (int place : PlacesOfChange(store, plan.before, plan.target))
            NotifyFolderUpdated(platform, place);
    if (report.Ok())
        return kExitDone;
    // A refused write may only need the rights of an administrator.
    auto why = [&host](Status status) {
        return status == kAccessDenied && !host.Elevated() ? host.Text(IDS_CLI_IMPORT_ELEVATION)
                                                           : host.StatusText(status);
    };
    if (report.unchanged)
        Fail(host, IDS_CLI_IMPORT_FAILED, {file, FailedKey(report.failure), why(report.failure.status)});
    else
        Fail(host, IDS_CLI_IMPORT_NOT_TAKEN_BACK,
             {file, FailedKey(report.failure), why(report.failure.status), FailedKey(report.rollbackFailure),
              why(report.rollbackFailure.status)});
    return kExitFailed;
}

} // namespace vs::cli
