#pragma once
// Watching the keys the inventory reads: the NameSpace keys of the eight places (with
// everything below them), the two class roots and their 32-bit views, and the hidden
// desktop icons of both scopes. A watch tells which of them changed since it was last
// asked, so that only those are read again; it cannot tell which key below them changed.

#include "RegistryTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace vs {

class MemoryRegistry;

// Parts of what the inventory reads.
struct ChangedParts {
    // Bit i: the NameSpace key of place i or something below it.
    std::uint8_t places = 0;
    // A class key under either class root, or its 32-bit copy.
    bool classes = false;
    // The desktop icons hidden in either scope.
    bool desktopIcons = false;

    static ChangedParts All() { return {0xFF, true, true}; }
    bool Any() const { return places != 0 || classes || desktopIcons; }
    bool HasPlace(int index) const { return (places >> index) & 1u; }
    ChangedParts& operator|=(const ChangedParts& other) {
        places = static_cast<std::uint8_t>(places | other.places);
        classes = classes || other.classes;
        desktopIcons = desktopIcons || other.desktopIcons;
        return *this;
    }
};

// The parts a change of the key at path below hive (CurrentUser() or LocalMachine())
// falls into: the place whose NameSpace key it is or stands below, the classes when it is
// the class root of hive or its 32-bit view or below either, the desktop icons for the
// hidden-icons key of hive or below it; nothing for any other key.
ChangedParts PartsOfKey(KeyHandle hive, std::wstring_view path);

class RegistryWatch {
public:
    virtual ~RegistryWatch() = default;
    // Whether anything changed since the last TakeChanges, without taking it.
    virtual bool Pending() = 0;
    // What changed since the last call. The parts it names are watched again before it
    // returns, so that a change made while they are read again is seen next time.
    virtual ChangedParts TakeChanges() = 0;
    // The parts that could not be watched: whoever reads after its own changes reads
    // these again every time.
    virtual ChangedParts Unwatched() const = 0;
};

// A watch over the in-memory registry: it sees every key created, deleted or given a
// value through the registry's change listener. It must not outlive the registry.
class MemoryRegistryWatch final : public RegistryWatch {
public:
    explicit MemoryRegistryWatch(MemoryRegistry& registry);
    ~MemoryRegistryWatch() override;
    bool Pending() override { return changed_.Any(); }
    ChangedParts TakeChanges() override;
    ChangedParts Unwatched() const override { return {}; }

private:
    MemoryRegistry& registry_;
    ChangedParts changed_;
};

} // namespace vs
