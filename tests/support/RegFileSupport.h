#pragma once
// Registry files and shell object trees for the export, import and undo tests: file
// bytes from literal text, generated trees with every value type and odd data, and the
// fuzzing corpus and mutations.

#include "store/KeySnapshot.h"
#include "tests/support/RegistryTree.h"

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vs::test {

std::u16string U16(std::wstring_view text);
std::wstring Wide(std::u16string_view text);
std::u16string Repeat(std::u16string_view text, std::size_t count);

// A version 5 file: mark, header line, then body (UTF-16LE).
std::vector<std::uint8_t> V5(std::u16string_view body);
// Bytes as they are (an ANSI file).
std::vector<std::uint8_t> Ansi(std::string_view text);
// The text of a version 5 file after its header line.
std::u16string FileBody(const std::vector<std::uint8_t>& file);

struct GeneratedTree {
    TreeRef ref;
    TreeKey tree; // tree.path is ref.path, for WriteTree below ref.root
    std::size_t values = 0;
    std::size_t keys = 0;
};

// Which values GenerateTrees makes. All: every type with odd data, malformed text
// included. RegImport: no text value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) without its
// terminating NUL, which Wine's "reg import" completes with one (and crashes on when
// empty). Plain: only values that regedit writes exactly as this program does (no
// malformed text, no line breaks).
enum class ValueSet { All, RegImport, Plain };

// count shell object trees (class keys in the three roots, entry keys in the eight
// places, each with its own identifier) with random subkeys, names and values.
std::vector<GeneratedTree> GenerateTrees(std::mt19937& random, int count, ValueSet set = ValueSet::All);

// Valid files of both versions to mutate.
std::vector<std::vector<std::uint8_t>> FuzzCorpus();
// One to four random edits: a byte changed, bytes removed, the file cut off, or a token of
// the format (UTF-16 in a version 5 file) inserted.
void Mutate(std::vector<std::uint8_t>& file, std::mt19937& random);

} // namespace vs::test
