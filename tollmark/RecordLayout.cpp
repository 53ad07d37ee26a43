#include "tollmark/RecordLayout.h"

#include "tollmark/TextFields.h"

namespace {

// The order in which a "MAGIC NUMBER" text is tried.
constexpr const RecordLayout* kLayouts[] = {&kKv09Layout, &kKv15Layout, &kKv05Layout};

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' || *b != '\0'; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) {
      return false;
    }
  }
  return true;
}

}  // namespace

const RecordLayout& LayoutOf(RecordVersion version) {
  switch (version) {
    case RecordVersion::kKv15:
      return kKv15Layout;
    case RecordVersion::kKv05:
      return kKv05Layout;
    case RecordVersion::kKv09:
      break;
  }
  return kKv09Layout;
}

uint32_t MagicFromBytes(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

const RecordLayout* LayoutFromMagic(uint32_t magic) {
  for (const RecordLayout* layout : kLayouts) {
    if (layout->magic == magic) {
      return layout;
    }
  }
  return nullptr;
}

const RecordLayout* LayoutFromName(const char* name) {
  for (const RecordLayout* layout : kLayouts) {
    if (EqualIgnoringCase(name, layout->name)) {
      return layout;
    }
  }
  return nullptr;
}
