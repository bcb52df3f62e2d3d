// The benchmarks' stand-in for the host's function table: a lookup benchmark is only worth its
// figure when the table is sorted the way the gateway's halving search needs and holds the
// functions it names.
#include <gtest/gtest.h>

#include <cstring>

#include "bench/host_table.h"
#include "frame/gateway.h"

namespace {

int host_answer_one() { return 1; }
int host_answer_two() { return 2; }

TEST(BenchHostTable, SortedBytewiseWithTheGivenFunctionsAmongTheRest) {
    // "ProMdlCurrentGet_v" sorts among the generated names; "prodev_..." (lower case) after all.
    vt_bench::host_table table({{"ProMdlCurrentGet_v", reinterpret_cast<host_function>(&host_answer_one)},
                                {"prodev_pass_version_info_v", reinterpret_cast<host_function>(&host_answer_two)}});
    ASSERT_EQ(table.pairs.size(), static_cast<size_t>(vt_bench::HOST_TABLE_SIZE));
    for (size_t i = 1; i < table.pairs.size(); ++i)
        ASSERT_LT(std::strcmp(table.pairs[i - 1].name, table.pairs[i].name), 0) << "at " << i;
    EXPECT_STREQ(table.pairs.back().name, "prodev_pass_version_info_v");

    gateway_install_table(table.pairs.data(), static_cast<int>(table.pairs.size()));
    EXPECT_EQ(host_function_lookup("ProMdlCurrentGet_v"), reinterpret_cast<host_function>(&host_answer_one));
    EXPECT_EQ(host_function_lookup("prodev_pass_version_info_v"), reinterpret_cast<host_function>(&host_answer_two));
    // Every generated name is found, and leads to the function that does nothing.
    int others = 0;
    for (const host_function_pair& pair : table.pairs) {
        ASSERT_EQ(host_function_lookup(pair.name), pair.function) << pair.name;
        if (pair.function == &vt_bench::host_does_nothing) ++others;
    }
    EXPECT_EQ(others, vt_bench::HOST_TABLE_SIZE - 2);
    EXPECT_EQ(host_function_lookup("ProMdlCurrentGet_w"), nullptr);
    gateway_install_table(nullptr, 0);
}

TEST(BenchHostTable, NamesSurviveAMoveOfTheTable) {
    // The pairs point into the table's own strings: a moved table keeps them valid.
    vt_bench::host_table first;
    const char* name = first.pairs[5].name;
    vt_bench::host_table moved = std::move(first);
    EXPECT_EQ(moved.pairs[5].name, name);
    EXPECT_STREQ(moved.pairs[5].name, moved.names[5].c_str());
}

}  // namespace
