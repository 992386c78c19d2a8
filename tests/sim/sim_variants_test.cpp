// The library variants that each lack one entry point.
#include <gtest/gtest.h>

#include <string>

#include "sim_library.h"

namespace {

const char* const kEntryPoints[] = {"FT_Write",
                                    "FT_Read",
                                    "FT_Open",
                                    "FT_OpenEx",
                                    "FT_ListDevices",
                                    "FT_Close",
                                    "FT_ResetDevice",
                                    "FT_Purge",
                                    "FT_SetTimeouts",
                                    "FT_GetQueueStatus",
                                    "FT_SetBaudRate",
                                    "FT_SetLatencyTimer",
                                    "FT_SetUSBParameters",
                                    "FT_SetDataCharacteristics",
                                    "FT_SetFlowControl"};

TEST(SimVariants, FullLibraryHasEveryEntryPoint) {
    SimLibrary sim;
    ASSERT_TRUE(sim.Loaded());
    for (const char* name : kEntryPoints) {
        EXPECT_NE(sim.Symbol(name), nullptr) << name;
    }
}

TEST(SimVariants, EachVariantLacksExactlyItsEntryPoint) {
    for (const std::string missing :
         {"FT_Write", "FT_Read", "FT_SetTimeouts", "FT_GetQueueStatus", "FT_SetFlowControl"}) {
        SimLibrary variant(std::string(FSIM_LIBRARY_DIR) + "/libfsim_no_" + missing + ".so");
        ASSERT_TRUE(variant.Loaded()) << missing;
        for (const char* name : kEntryPoints) {
            EXPECT_EQ(variant.Symbol(name) == nullptr, name == missing) << missing << ' ' << name;
        }
        EXPECT_NE(variant.fsim_reset, nullptr);
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(variant.FT_Open(0, &handle), FT_OK);
    }
}

}  // namespace
