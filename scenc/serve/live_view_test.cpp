#include "scenc/serve/live_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <nlohmann/json.hpp>

#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario::scenc {
namespace {

using nlohmann::json;

const std::string route_name = "texts/Brenzola_Tessalto_linea.txt";
const std::string train_name = "texts/Brenzola_Tessalto_917-.txt";

SourceText carried_route() {
    return {route_name, line_table_bytes(dati_linea(carried_identity()).lines)};
}

// The carried train text with the line of the first station replaced by what `change` makes
// of it; the line's number (1-based) is returned too.
std::pair<SourceText, int> train_with_first_station(
    const std::function<std::string(std::string)>& change) {
    std::vector<std::string> lines = dati_treno(carried_identity()).lines;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("BRENZOLA CENTRALE") == std::string::npos) continue;
        lines[i] = change(lines[i]);
        return {{train_name, line_table_bytes(lines)}, static_cast<int>(i) + 1};
    }
    ADD_FAILURE() << "no BRENZOLA CENTRALE row";
    return {};
}

std::string first_station_departure(const std::string& view_json) {
    const json data = json::parse(view_json);
    for (const json& line : data["stations"][0]["l"]) {
        if (line[0] == "departure") return line[1];
    }
    return "";
}

TEST(LiveView, CleanTextsGiveTheViewAndAnEditedDepartureShowsInIt) {
    const auto [train, line] = train_with_first_station([](std::string row) { return row; });
    const Rebuilt carried = rebuild_view(carried_route(), train, carried_identity());
    ASSERT_TRUE(carried.view_json);
    EXPECT_TRUE(carried.problems.empty());
    const json data = json::parse(*carried.view_json);
    EXPECT_EQ(data["stations"].size(), 35u);
    EXPECT_TRUE(data["sources"]);
    EXPECT_EQ(data["stations"][0]["s"], train_name + ":" + std::to_string(line));
    EXPECT_FALSE(data["plan"].empty());
    EXPECT_EQ(first_station_departure(*carried.view_json), "10:50:00");

    const auto [edited, same_line] = train_with_first_station([](std::string row) {
        const std::size_t at = row.find("10,50,");
        EXPECT_NE(at, std::string::npos) << row;
        return at == std::string::npos ? row : row.replace(at, 6, "10,55,");
    });
    const Rebuilt later = rebuild_view(carried_route(), edited, carried_identity());
    ASSERT_TRUE(later.view_json);
    EXPECT_EQ(first_station_departure(*later.view_json), "10:55:00");
}

TEST(LiveView, ABrokenRowGivesTheChecksLinesAndNoView) {
    const auto [train, line] =
        train_with_first_station([](std::string) { return std::string("stazione, 8500, x"); });
    const Rebuilt broken = rebuild_view(carried_route(), train, carried_identity());
    EXPECT_FALSE(broken.view_json);
    ASSERT_FALSE(broken.problems.empty());
    // As `scenc check --format=gcc` prints them: FILE:LINE:COL: error: reason.
    const std::string place = train_name + ":" + std::to_string(line) + ":";
    bool named = false;
    for (const std::string& problem : broken.problems) {
        if (problem.starts_with(place) && problem.find(": error: ") != std::string::npos) {
            named = true;
        }
    }
    EXPECT_TRUE(named) << broken.problems.front();
}

TEST(LiveView, TheLastCleanViewStaysWhileTheTextsHaveErrors) {
    LiveState state(4);
    EXPECT_EQ(state.current().view_version, 0u);
    state.publish({"{\"a\":1}", {}});
    state.publish({std::nullopt, {"t.txt:3:1: error: bad"}});
    LiveSnapshot now = state.current();
    EXPECT_EQ(now.version, 2u);
    EXPECT_EQ(now.view_version, 1u);
    ASSERT_TRUE(now.view_json);
    EXPECT_EQ(*now.view_json, "{\"a\":1}");
    EXPECT_EQ(now.problems, std::vector<std::string>{"t.txt:3:1: error: bad"});
    state.publish({"{\"a\":2}", {}});
    now = state.current();
    EXPECT_EQ(now.view_version, 2u);
    EXPECT_EQ(*now.view_json, "{\"a\":2}");
    EXPECT_TRUE(now.problems.empty());

    const std::string event = state_event(now);
    EXPECT_TRUE(event.starts_with("event: state\ndata: ")) << event;
    EXPECT_EQ(json::parse(event.substr(event.find('{'))),
              json({{"version", 3}, {"view", 2}, {"problems", json::array()}}));
}

TEST(LiveView, StreamsWaitForANewerStateAndEndWhenTold) {
    LiveState state(2);
    state.publish({"{}", {}});
    const std::uint64_t first = state.open_stream();
    // A state newer than the one seen is there at once.
    ASSERT_TRUE(state.next(first, 0));
    // A waiting stream wakes at the next rebuild.
    auto waiting = std::async(std::launch::async, [&] { return state.next(first, 1); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    state.publish({std::nullopt, {"x"}});
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiting.get()->version, 2u);

    // The oldest stream ends when more are open than kept, even while it waits.
    auto oldest = std::async(std::launch::async, [&] { return state.next(first, 2); });
    const std::uint64_t second = state.open_stream();
    const std::uint64_t third = state.open_stream();
    ASSERT_EQ(oldest.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(oldest.get());
    EXPECT_TRUE(state.next(second, 0));

    state.close_stream(second);
    EXPECT_FALSE(state.next(second, 0));
    // Closing the state ends every stream.
    auto last = std::async(std::launch::async, [&] { return state.next(third, 2); });
    state.close();
    ASSERT_EQ(last.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(last.get());
}

}  // namespace
}  // namespace scenario::scenc
