// The simulated manager's enumeration follows the protocol that the service list
// relies on: size query, batches with ERROR_MORE_DATA, resume handle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doubles/sim_service_manager.h"

namespace {

using doubles::SimServiceManager;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Batch {
  bool succeeded;
  std::vector<std::string> names;
  std::uint32_t bytesNeeded;
  bool operator==(const Batch&) const = default;
};

// Enumerates as a client does: an empty buffer first, then a buffer of the size
// reported, resized to each new report, until a call succeeds.
std::vector<Batch> Enumerate(SimServiceManager& sim) {
  const common::ScHandle manager = sim.OpenSCManagerA("", common::kManagerAccess);
  std::vector<Batch> batches;
  std::vector<std::uint8_t> buffer;
  std::uint32_t resume = 0;
  for (int call = 0; call < 10; ++call) {
    std::uint32_t needed = 0, returned = 0;
    std::vector<common::EnumServiceRecord> records;
    const bool ok =
        sim.EnumServicesStatusA(manager, common::kServiceTypeAll, common::kServiceStateAll, buffer,
                                needed, returned, resume, records);
    Batch batch{ok, {}, needed};
    for (const auto& r : records) batch.names.push_back(r.serviceName);
    EXPECT_EQ(returned, records.size());
    batches.push_back(batch);
    if (ok || sim.GetLastError() != common::kErrorMoreData) break;
    buffer.resize(needed);
  }
  sim.CloseServiceHandle(manager);
  return batches;
}

TEST(SimServiceManager, EnumeratesInBatchesThatReportTheBytesStillNeeded) {
  SimServiceManager sim;
  sim.AddService({.name = "A", .displayName = "Alpha"});  // 48 + 2 + 6 = 56 bytes
  sim.AddService({.name = "BB", .displayName = "Beta"});  // 48 + 3 + 5 = 56 bytes
  sim.AddService({.name = "C", .displayName = ""});       // 48 + 2 + 1 = 51 bytes
  EXPECT_EQ(SimServiceManager::RecordBytes(sim.Service("a")), 56u);

  EXPECT_THAT(Enumerate(sim), ElementsAre(Batch{false, {}, 163}, Batch{true, {"A", "BB", "C"}, 0}));

  sim.SetEnumBatchLimit(2);
  EXPECT_THAT(Enumerate(sim), ElementsAre(Batch{false, {}, 163}, Batch{false, {"A", "BB"}, 51},
                                          Batch{true, {"C"}, 0}));
  EXPECT_EQ(sim.OpenManagers(), 0);
}

TEST(SimServiceManager, EnumerationOfAMachineWithoutServicesSucceedsAtOnce) {
  SimServiceManager sim;
  EXPECT_THAT(Enumerate(sim), ElementsAre(Batch{true, {}, 0}));
  sim.FailNext(doubles::ScCall::EnumServicesStatus, 1722);
  EXPECT_THAT(Enumerate(sim), ElementsAre(Batch{false, {}, 0}));
  EXPECT_THAT(sim.EnumCalls().back().bufferSize, 0u);
  EXPECT_THAT(sim.Requests(), IsEmpty());
}

}  // namespace
