#include "compiler/compiled_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "compiler/test_models.h"
#include "compiler/writer.h"

namespace scenario {
namespace {

TEST(CompiledReader, ReadsBackWhatTheWriterWrites) {
    Model model = testing::small_compiled_model();
    EXPECT_EQ(decode_cell_file(cell_file_bytes(model)), model.cells);
    EXPECT_EQ(decode_record_file(record_file_bytes(model)), model.records);
    Plan plan = decode_plan_file(plan_file_bytes(testing::small_compiled_plan()));
    EXPECT_TRUE(plan.origin_set);
    EXPECT_EQ(plan.computed_end, 4);
    EXPECT_EQ(plan.x.size(), 6u);
    EXPECT_EQ(plan.x[3], -1.5);
    EXPECT_EQ(plan.y[3], 3.125);
    EXPECT_EQ(plan.y[1], 1.0);

    Plan stopped = testing::small_compiled_plan();  // a route that stopped before its feature part
    stopped.origin_set = false;
    stopped.computed_end = 2;
    Plan empty = decode_plan_file(plan_file_bytes(stopped));
    EXPECT_FALSE(empty.origin_set);
    EXPECT_EQ(empty.upper(), 5);
}

TEST(CompiledReader, RefusesFilesOfTheWrongLayoutWithOneLine) {
    std::string records = record_file_bytes(testing::small_compiled_model());
    std::string plan = plan_file_bytes(testing::small_compiled_plan());
    // Point 3 empty and point 4 computed, in both columns (each column is 32 bytes).
    std::string computed_after_gap = plan;
    for (std::size_t column : {0, 32}) {
        std::size_t point3 = column + 4 + 4 + 10;
        computed_after_gap.replace(point3, 12, std::string("\0\0", 2) + plan.substr(point3, 10));
    }
    struct Case {
        std::string bytes;
        CompiledFileKind kind;
        const char* message;
    };
    const Case cases[] = {
        {"", CompiledFileKind::cells, "0 bytes are not a whole number of 15-byte cells"},
        {std::string(31, '\0'), CompiledFileKind::cells, "31 bytes"},
        {records.substr(0, 34 + 48 + 6), CompiledFileKind::records,
         "record 2 is cut short at byte 87 (the file has 88 bytes)"},
        {records.substr(0, 34 + 10), CompiledFileKind::records, "record 1 is cut short"},
        {records + "x", CompiledFileKind::records, "1 bytes are left over after the 87 records"},
        {"", CompiledFileKind::records, "record 0 is cut short at byte 0 (the file has 0 bytes)"},
        {plan.substr(0, plan.size() - 1), CompiledFileKind::plan, "cut short"},
        {plan.substr(0, 8), CompiledFileKind::plan, "values do not make two columns"},
        {std::string("\x07\0", 2) + plan, CompiledFileKind::plan, "unknown value tag 7 at byte 0"},
        {computed_after_gap, CompiledFileKind::plan, "does not follow the points before it"},
        {records, CompiledFileKind::plan, "not a plan file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            if (c.kind == CompiledFileKind::cells) decode_cell_file(c.bytes);
            if (c.kind == CompiledFileKind::records) decode_record_file(c.bytes);
            if (c.kind == CompiledFileKind::plan) decode_plan_file(c.bytes);
            ADD_FAILURE() << "accepted";
        } catch (const CompiledFileError& error) {
            std::string message = error.what();
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace scenario
