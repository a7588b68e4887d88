#include <string>

#include "deploy/plan.h"
#include "gtest/gtest.h"
#include "tests/helpers/test_files.h"

namespace quillon {
namespace {

using helpers::Narrow;

struct ExpectedRow {
  int row;
  const wchar_t* resource;
  const wchar_t* file_name;
  ComponentFolder folder;
  OnFailure on_failure;
};

constexpr ComponentFolder kData = ComponentFolder::kData;
constexpr ComponentFolder kLibrary = ComponentFolder::kLibrary;

const ExpectedRow kExpected64[] = {
    {1, L"__Quillon.exe", L"Portico.exe", kData, OnFailure::kViewer},
    {2, L"OSTRELVT_SRV", L"hostrelay.exe", kData, OnFailure::kIgnore},
    {3, L"UPLIFT_ONLINE_EXE", L"Uplift_Online.exe", kData, OnFailure::kIgnore},
    {4, L"OSTRELVT_DLL", L"OstrelVT3.dll", kLibrary, OnFailure::kIgnore},
    {5, L"X64_OSTRELVT_SYS", L"OstrelVT6.sys", kData, OnFailure::kDriverVt},
    {6, L"X64_OSTRELXM_SYS", L"OstrelXM2.sys", kData, OnFailure::kDriverXm},
    {7, L"X64_OSTRELVT_DLL", L"OstrelVT3_x64.dll", kLibrary, OnFailure::kIgnore},
    {8, L"OSTRELVTEX_X64_EXE", L"ostrelvtex_x64.exe", kData, OnFailure::kEssential},
    {9, L"VAULTINE_X64_EXE", L"hostcareprocess.exe", kData, OnFailure::kIgnore},
    {10, L"EJECTPROBE_EXE", L"EjectProbeVT.exe", kData, OnFailure::kIgnore},
    {11, L"EJECTLATCH64_DLL", L"EjectLatchVT64.dll", kData, OnFailure::kIgnore},
    {12, L"EJECTLATCH64_EXE", L"EjectLatchStartVT64.exe", kData, OnFailure::kIgnore},
    {13, L"PLEXFOLD64_SYS", L"Plexfold1.sys", kData, OnFailure::kIgnore},
    {14, L"PLEXFOLD64_EXE", L"Plexfold1.exe", kData, OnFailure::kIgnore},
};

const ExpectedRow kExpected32[] = {
    {1, L"__Quillon.exe", L"Portico.exe", kData, OnFailure::kViewer},
    {2, L"OSTRELVT_SRV", L"hostrelay.exe", kData, OnFailure::kIgnore},
    {3, L"UPLIFT_ONLINE_EXE", L"Uplift_Online.exe", kData, OnFailure::kIgnore},
    {4, L"OSTRELVT_DLL", L"OstrelVT3.dll", kLibrary, OnFailure::kIgnore},
    {5, L"OSTRELVT_SYS", L"OstrelVT6.sys", kData, OnFailure::kDriverVt},
    {6, L"OSTRELXM_SYS", L"OstrelXM2.sys", kData, OnFailure::kDriverXm},
    {10, L"EJECTPROBE_EXE", L"EjectProbeVT.exe", kData, OnFailure::kIgnore},
    {11, L"EJECTLATCH32_DLL", L"EjectLatchVT32.dll", kData, OnFailure::kIgnore},
    {12, L"EJECTLATCH32_EXE", L"EjectLatchStartVT32.exe", kData, OnFailure::kIgnore},
    {13, L"PLEXFOLD32_SYS", L"Plexfold1.sys", kData, OnFailure::kIgnore},
    {14, L"PLEXFOLD32_EXE", L"Plexfold1.exe", kData, OnFailure::kIgnore},
};

template <size_t N>
void ExpectTable(bool native32, const ExpectedRow (&expected)[N]) {
  size_t count = 0;
  const ComponentRow* rows = ComponentTable(native32, &count);
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(count, N) << (native32 ? "32-bit" : "64-bit");
  for (size_t i = 0; i < N; ++i) {
    SCOPED_TRACE(Narrow(expected[i].file_name));
    EXPECT_EQ(rows[i].row, expected[i].row) << "position " << i;
    // Resource names are passed exactly as the plan writes them.
    EXPECT_EQ(std::wstring(rows[i].resource), expected[i].resource);
    EXPECT_EQ(std::wstring(rows[i].file_name), expected[i].file_name);
    EXPECT_EQ(rows[i].folder, expected[i].folder);
    EXPECT_EQ(rows[i].on_failure, expected[i].on_failure);
  }
}

TEST(ComponentTableTest, SixtyFourBitRowsInPlanOrder) {
  ExpectTable(false, kExpected64);
}

TEST(ComponentTableTest, ThirtyTwoBitRowsInPlanOrderWithoutRowsSevenToNine) {
  ExpectTable(true, kExpected32);
}

// Only the eject-latch pair changes its file name with the bitness; every
// other file that both write keeps one name.
TEST(ComponentTableTest, OnlyTheEjectLatchPairCarriesTheBitnessInItsName) {
  size_t count32 = 0;
  size_t count64 = 0;
  const ComponentRow* rows32 = ComponentTable(true, &count32);
  const ComponentRow* rows64 = ComponentTable(false, &count64);
  for (size_t i = 0; i < count32; ++i) {
    const ComponentRow* twin = nullptr;
    for (size_t j = 0; j < count64; ++j) {
      if (rows64[j].row == rows32[i].row)
        twin = &rows64[j];
    }
    ASSERT_NE(twin, nullptr) << "row " << rows32[i].row;
    std::wstring name32 = rows32[i].file_name;
    std::wstring name64 = twin->file_name;
    if (rows32[i].row == 11 || rows32[i].row == 12) {
      EXPECT_NE(name32.find(L"VT32"), std::wstring::npos) << Narrow(name32);
      EXPECT_NE(name64.find(L"VT64"), std::wstring::npos) << Narrow(name64);
    } else {
      EXPECT_EQ(name32, name64) << "row " << rows32[i].row;
    }
    EXPECT_EQ(rows32[i].folder, twin->folder) << "row " << rows32[i].row;
  }
}

// Only the viewer, the two drivers and the 64-bit program of row 8 can stop
// a start.
TEST(ComponentTableTest, EssentialRows) {
  for (bool native32 : {true, false}) {
    size_t count = 0;
    const ComponentRow* rows = ComponentTable(native32, &count);
    for (size_t i = 0; i < count; ++i) {
      bool essential = rows[i].row == 1 || rows[i].row == 5 || rows[i].row == 6 || rows[i].row == 8;
      EXPECT_EQ(rows[i].on_failure != OnFailure::kIgnore, essential)
          << "row " << rows[i].row << (native32 ? " 32-bit" : " 64-bit");
    }
  }
}

}  // namespace
}  // namespace quillon
