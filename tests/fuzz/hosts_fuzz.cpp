// LoadHosts on any text, against a plain reading of the HostList format, and
// the round trip through SaveHosts: a rule list that LoadHosts gave comes back
// from a save and a load as SavedAndLoaded describes, and after at most three
// rounds the list no longer changes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config_editor/accessrights_u.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/hosts_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto r1 = palvex::LoadHosts(text);
  FUZZ_CHECK(r1 == fuzz::PlainReading(text));
  for (const auto& rule : r1) {
    FUZZ_CHECK(fuzz::IsCleanField(rule.Address) && fuzz::IsCleanField(rule.Mask));
    FUZZ_CHECK(rule.Rights >= 0 && rule.Rights <= 3);
    FUZZ_CHECK(!rule.Address.empty() || rule.Mask.empty());  // fields fill in order
  }

  const auto r2 = palvex::LoadHosts(palvex::SaveHosts(r1));
  FUZZ_CHECK(r2 == fuzz::SavedAndLoaded(r1));
  const auto r3 = palvex::LoadHosts(palvex::SaveHosts(r2));
  FUZZ_CHECK(r3 == fuzz::SavedAndLoaded(r2));
  const std::string saved3 = palvex::SaveHosts(r3);
  const auto r4 = palvex::LoadHosts(saved3);
  FUZZ_CHECK(r4 == r3);
  FUZZ_CHECK(palvex::SaveHosts(r4) == saved3);
  return 0;
}
