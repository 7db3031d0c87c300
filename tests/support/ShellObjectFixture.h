#pragma once
// Base of the class-record, inventory and entry tests: the test registry with the eight
// places and the class keys of a few test identifiers, a recording platform, and an
// inventory over them. Everything a test writes below a place or as a class key
// of a test identifier is removed afterwards, so the real registry under Wine keeps only
// what it had.

#include "store/ClassRoots.h"
#include "store/Inventory.h"
#include "store/NamespaceLocation.h"
#include "store/RegKey.h"
#include "tests/support/RegistryFixture.h"
#include "tests/support/TestPlatform.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vs::test {

// Class identifiers no real object uses.
inline const std::wstring kIdA = L"{7a1e0001-5e7d-4c1a-9a50-00000000000a}";
inline const std::wstring kIdB = L"{7a1e0002-5e7d-4c1a-9a50-00000000000b}";
inline const std::wstring kIdC = L"{7a1e0003-5e7d-4c1a-9a50-00000000000c}";
inline const std::wstring kIdD = L"{7a1e0004-5e7d-4c1a-9a50-00000000000d}";

class ShellObjectFixture : public RegistryFixture {
protected:
    ShellObjectFixture() {
        for (const std::wstring& id : {kIdA, kIdB, kIdC, kIdD})
            for (KeyHandle hive : {CurrentUser(), LocalMachine()}) {
                cleanup.Add(hive, ClassKeyPath(id));
                cleanup.Add(hive, Class32KeyPath(id));
            }
        for (const NamespaceLocation& place : NamespaceLocations())
            RememberPlace(place);
    }

    ~ShellObjectFixture() override {
        for (const auto& [place, children] : placeChildren_)
            for (const std::wstring& child : SubkeyNames(store, place->hive, place->nameSpacePath))
                if (!children.count(Folded(child)))
                    RemoveTree(store, place->hive, std::wstring(place->nameSpacePath) + L"\\" + child);
    }

    static const NamespaceLocation& Place(int index) { return *PlaceByIndex(index); }
    static std::wstring PlacePath(int index, std::wstring_view below = {}) {
        std::wstring path = Place(index).nameSpacePath;
        if (!below.empty())
            path.append(L"\\").append(below);
        return path;
    }
    static TreeValue Marker(std::wstring_view name = L"Test") {
        return Sz(L"SearchHelper", L"Varnoset: " + std::wstring(name));
    }

    // A record as one line: open, uses, place, identifier | name | description | position |
    // target | "+" and the icon location when it has one ("-" when not) | parsing name.
    static std::wstring Fields(const ShellObjectInfo& info) {
        return std::to_wstring(info.IsOpen()) + L" " + std::to_wstring(info.useCount) + L" " +
               std::to_wstring(info.placeIndex) + L" " + info.clsid + L"|" + info.name + L"|" +
               info.description + L"|" + std::to_wstring(info.sortOrderIndex) + L"|" + info.target + L"|" +
               (info.hasIconLocation ? L"+" : L"-") + info.iconLocation + L"|" + info.parsingName;
    }
    // A row as one line: name | place | target | description | hidden | icon location.
    static std::wstring RowText(const InventoryRow& row) {
        return row.name + L"|" + std::to_wstring(row.placeIndex) + L"|" + row.target + L"|" +
               row.description + L"|" + std::to_wstring(row.hidden) + L"|" +
               row.iconLocation.value_or(L"(none)");
    }

    // Writes key (its path relative to the place's NameSpace key) below a place.
    void WriteEntry(int place, const TreeKey& key) {
        ASSERT_EQ(
            WriteTree(store, Place(place).hive, TreeKey{PlacePath(place, key.path), key.values, key.subkeys}),
            kOk);
    }
    // Writes the class key CLSID\id.
    void WriteClass(const std::wstring& id, std::vector<TreeValue> values,
                    std::vector<TreeKey> subkeys = {}) {
        ASSERT_EQ(
            WriteTree(store, ClassesRoot(), TreeKey{L"CLSID\\" + id, std::move(values), std::move(subkeys)}),
            kOk);
    }

    std::string PlaceDump(int place) { return DumpTree(store, Place(place).hive, PlacePath(place)); }
    std::string EntryDump(int place, std::wstring_view below) {
        return DumpTree(store, Place(place).hive, PlacePath(place, below));
    }
    // The class key where earlier versions wrote it, HKEY_CLASSES_ROOT\CLSID (the machine's
    // classes), or with CurrentUser() in this user's classes.
    std::string ClassDump(const std::wstring& id, KeyHandle hive = LocalMachine()) {
        return DumpTree(store, hive, ClassKeyPath(id));
    }
    // Writes the class key CLSID\id in this user's classes.
    void WriteUserClass(const std::wstring& id, std::vector<TreeValue> values,
                        std::vector<TreeKey> subkeys = {}) {
        ASSERT_EQ(
            WriteTree(store, CurrentUser(), TreeKey{ClassKeyPath(id), std::move(values), std::move(subkeys)}),
            kOk);
    }

    void Refresh() { inventory.Refresh(); }

    // The listed entry of keyName whose parent path is the place's (or below), or null.
    ShellObjectEntry* FindEntry(int place, std::wstring_view keyName, std::wstring_view below = {}) {
        const std::wstring parent = PlacePath(place, below);
        for (ShellObjectEntry& entry : inventory.entries)
            if (entry.hive == Place(place).hive && entry.parentPath == parent && entry.keyName == keyName)
                return &entry;
        return nullptr;
    }
    // The entries of the test identifiers (the real registry may list others in expert mode).
    std::vector<const ShellObjectEntry*> TestEntries() const {
        std::vector<const ShellObjectEntry*> found;
        for (const ShellObjectEntry& entry : inventory.entries)
            if (entry.keyName.find(L"7a1e") != std::wstring::npos || !IsRealRegistry())
                found.push_back(&entry);
        return found;
    }
    // The row that shows a listed entry.
    const InventoryRow& RowOf(const ShellObjectEntry* entry) const {
        return inventory.rows.at(static_cast<std::size_t>(entry - inventory.entries.data()));
    }
    bool IsRealRegistry() const { return memory == nullptr; }

    // Key handles open beyond the class keys that open records hold: anything else is a
    // leak.
    std::ptrdiff_t LeakedHandles() const {
        const auto open = std::count_if(inventory.clsidMap.begin(), inventory.clsidMap.end(),
                                        [](const auto& record) { return record.second.IsOpen(); });
        return static_cast<std::ptrdiff_t>(OpenHandles()) - open;
    }

    // The failures reported so far, one "action place status" line each, and forgets them.
    std::vector<std::string> TakeFailures() {
        static const char* const kActions[] = {"create", "delete", "hide",    "unhide",   "copy",  "move",
                                               "rename", "icon",   "comment", "position", "repair"};
        std::vector<std::string> lines;
        for (const Failure& failure : failures)
            lines.push_back(std::string(kActions[static_cast<int>(failure.action)]) + " " +
                            std::to_string(failure.place) + " " + std::to_string(failure.status));
        failures.clear();
        return lines;
    }

    TestPlatform platform;
    Inventory inventory{store, platform};
    Failures failures;

private:
    // A place whose NameSpace key exists keeps the children it had; otherwise the first
    // key of its path that was missing goes, with everything a test put below it.
    void RememberPlace(const NamespaceLocation& place) {
        const std::wstring path = place.nameSpacePath;
        for (std::size_t cut = 0;; ++cut) {
            cut = path.find(L'\\', cut);
            const std::wstring prefix = cut == std::wstring::npos ? path : path.substr(0, cut);
            if (RegKey(store).Open(place.hive, prefix, kKeyRead) != kOk)
                return cleanup.Add(place.hive, prefix);
            if (cut == std::wstring::npos)
                break;
        }
        std::set<std::wstring>& children = placeChildren_[&place];
        for (const std::wstring& child : SubkeyNames(store, place.hive, path))
            children.insert(Folded(child));
    }

    std::map<const NamespaceLocation*, std::set<std::wstring>> placeChildren_;
};

} // namespace vs::test
