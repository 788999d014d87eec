// What one deletion came to. The deleter answers with this instead of
// throwing; a pass records it per rule and otherwise goes on regardless.
#pragma once

#include <cstdint>

namespace vorlix {

// Why a deletion path names no registry entry.
enum class PathFault : std::uint8_t {
  None,
  NulCharacter,      // the path holds a NUL: the API would read a shorter path
  NoSeparator,       // no backslash at all
  NoHive,            // the text before the first backslash is no hive (none chosen)
  LeadingBackslash,  // the key path starts with a backslash, or is backslashes only
  HiveItself,        // neither a key path nor a value name: the hive itself
  TooLong,           // a key path or value name longer than the registry's names
  ThroughLink,       // a key on the path is a registry link, which is not followed
};

struct DeletionOutcome {
  enum class Kind : std::uint8_t {
    Deleted,
    NotThere,      // the value, the key or a key on the way is missing
    HasSubkeys,    // a key is deleted only as a leaf, never as a tree
    AccessDenied,
    NamesNothing,  // see fault
    Failed,        // any other refusal, see code
    NotKept,       // left in place: its copy could not be kept (code: the system's
                   // error, 0 when the copy is larger than the record may hold)
  };

  Kind kind = Kind::NotThere;
  PathFault fault = PathFault::None;  // for NamesNothing
  std::uint32_t code = 0;             // the system's error code, for Failed and NotKept

  static constexpr DeletionOutcome of(Kind kind) { return {kind, PathFault::None, 0}; }
  static constexpr DeletionOutcome namesNothing(PathFault fault) {
    return {Kind::NamesNothing, fault, 0};
  }
  static constexpr DeletionOutcome failed(std::uint32_t code) {
    return {Kind::Failed, PathFault::None, code};
  }

  static constexpr DeletionOutcome notKept(std::uint32_t code) {
    return {Kind::NotKept, PathFault::None, code};
  }

  bool operator==(const DeletionOutcome&) const = default;
};

}  // namespace vorlix
