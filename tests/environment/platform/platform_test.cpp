#include "environment/platform/platform.h"

#include <vector>

#include "gtest/gtest.h"
#include "support/scoped_override.h"

namespace quillon {
namespace {

// A SID built from its authority and sub-authorities, freed at the end.
class TestSid {
 public:
  TestSid(BYTE authority, std::vector<DWORD> rids) {
    SID_IDENTIFIER_AUTHORITY id = {{0, 0, 0, 0, 0, authority}};
    const BYTE count = static_cast<BYTE>(rids.size());
    rids.resize(8, 0);
    ::AllocateAndInitializeSid(&id, count, rids[0], rids[1], rids[2], rids[3], rids[4], rids[5],
                               rids[6], rids[7], &sid_);
  }
  ~TestSid() {
    if (sid_)
      ::FreeSid(sid_);
  }
  TestSid(const TestSid&) = delete;
  TestSid& operator=(const TestSid&) = delete;
  PSID Get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// A token-groups record of any length, as the system lays it out: the count,
// then the entries.
class TestGroups {
 public:
  void Add(PSID sid, DWORD attributes) { entries_.push_back({sid, attributes}); }
  const TOKEN_GROUPS& Get() {
    // Room for the count (padded to the entries' alignment) and every entry.
    storage_.assign(entries_.size() + 1, SID_AND_ATTRIBUTES{});
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(storage_.data());
    groups->GroupCount = static_cast<DWORD>(entries_.size());
    SID_AND_ATTRIBUTES* out = groups->Groups;
    for (size_t i = 0; i < entries_.size(); ++i)
      out[i] = entries_[i];
    return *groups;
  }

 private:
  std::vector<SID_AND_ATTRIBUTES> entries_;
  std::vector<SID_AND_ATTRIBUTES> storage_;
};

constexpr DWORD kEnabled = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;

struct Sids {
  TestSid administrators{5, {32, 544}};           // S-1-5-32-544
  TestSid users{5, {32, 545}};                    // S-1-5-32-545
  TestSid everyone{1, {0}};                       // S-1-1-0
  TestSid domain_rid_544{5, {21, 1, 2, 3, 544}};  // same last RID, other domain
  TestSid logon{5, {5, 0, 12345}};                // S-1-5-5-0-12345
};

TEST(TokenGroupsTest, EmptyListHasNoAdministrators) {
  TestGroups groups;
  EXPECT_FALSE(TokenGroupsIncludeAdministrators(groups.Get()));
}

TEST(TokenGroupsTest, OtherGroupsAreNotAdministrators) {
  Sids sids;
  TestGroups groups;
  groups.Add(sids.everyone.Get(), kEnabled);
  groups.Add(sids.users.Get(), kEnabled);
  groups.Add(sids.domain_rid_544.Get(), kEnabled);
  groups.Add(sids.logon.Get(), kEnabled | SE_GROUP_LOGON_ID);
  EXPECT_FALSE(TokenGroupsIncludeAdministrators(groups.Get()));
}

struct AdministratorsCase {
  DWORD attributes;
  bool expected;
};

TEST(TokenGroupsTest, AdministratorsByAttributes) {
  const AdministratorsCase cases[] = {
      {kEnabled, true},
      {0, true},  // present but not enabled: membership alone counts
      {SE_GROUP_USE_FOR_DENY_ONLY, true},
      {SE_GROUP_USE_FOR_DENY_ONLY | SE_GROUP_MANDATORY, true},
      {SE_GROUP_OWNER | kEnabled, true},
      {SE_GROUP_LOGON_ID, false},
      {kEnabled | SE_GROUP_LOGON_ID, false},
      // Either bit of the logon-SID mask alone marks the logon SID.
      {0x40000000, false},
      {0x80000000, false},
  };
  Sids sids;
  for (const AdministratorsCase& c : cases) {
    TestGroups groups;
    groups.Add(sids.everyone.Get(), kEnabled);
    groups.Add(sids.administrators.Get(), c.attributes);
    groups.Add(sids.users.Get(), kEnabled);
    EXPECT_EQ(c.expected, TokenGroupsIncludeAdministrators(groups.Get()))
        << "attributes 0x" << std::hex << c.attributes;
  }
}

TEST(TokenGroupsTest, ScanGoesOnPastSkippedGroups) {
  Sids sids;
  TestGroups groups;
  groups.Add(sids.administrators.Get(), SE_GROUP_LOGON_ID);
  groups.Add(nullptr, kEnabled);
  groups.Add(sids.users.Get(), kEnabled);
  groups.Add(sids.administrators.Get(), SE_GROUP_USE_FOR_DENY_ONLY);
  EXPECT_TRUE(TokenGroupsIncludeAdministrators(groups.Get()));
}

TEST(PlatformTest, ProcessTokenOfWineUserHoldsAdministrators) {
  // Wine gives its user a token that carries the Administrators group.
  EXPECT_TRUE(IsAdministratorsMember());
}

TEST(PlatformTest, ShellCallsWineUserAnAdministrator) {
  // Found at run time in the shell; Wine's user has administrator rights.
  EXPECT_TRUE(UserIsAdmin());
}

TEST(PlatformTest, NativeSystemOfA64BitProgramIsNot32Bit) {
#if defined(_WIN64)
  // A 64-bit program runs only on a 64-bit system: the real lookup says no.
  EXPECT_FALSE(IsNative32Bit());
#else
  GTEST_SKIP() << "depends on the machine in a 32-bit build";
#endif
}

// The one seam mechanism: each scope sets its value and the one before comes
// back, so seams nest.
TEST(PlatformTest, SeamsNestAndRestore) {
  const bool real = IsNative32Bit();
  {
    ScopedOverride<int> outer(g_native32_for_testing, 1);
    EXPECT_TRUE(IsNative32Bit());
    {
      ScopedOverride<int> inner(g_native32_for_testing, 0);
      EXPECT_FALSE(IsNative32Bit());
    }
    EXPECT_TRUE(IsNative32Bit());
  }
  EXPECT_EQ(real, IsNative32Bit());
}

}  // namespace
}  // namespace quillon
