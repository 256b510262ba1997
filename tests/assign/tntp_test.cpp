#include "assign/tntp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace veltra::assign;

namespace {

const char* const kHeader = "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 3\n<FIRST THRU NODE> 3\n<NUMBER OF LINKS> 2\n<END OF METADATA>\n\n"
                            "~ init term capacity length fftt b power speed toll type ;\n";

std::string WriteTemp(const std::string& name, const std::string& text) {
    std::string path = std::string(::testing::TempDir()) + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string NetworkError(const std::string& text) {
    std::string path = WriteTemp("bad_net.tntp", text);
    try {
        ReadTntpNetwork(path);
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

std::string TripsError(const std::string& text) {
    std::string path = WriteTemp("bad_trips.tntp", text);
    try {
        ReadTntpTrips(path, 2);
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(TntpReader, ReadsLinksWithCrLfAndTrailingSemicolons) {
    std::string text = std::string(kHeader) + "\t1\t3\t100\t2\t5\t0.15\t4\t0\t7\t1\t;\r\n3 2 200.5 1 2.5 0.15 4 0 0 2;\r\n";
    TntpNetwork net = ReadTntpNetwork(WriteTemp("good_net.tntp", text));
    ASSERT_EQ(net.Links.size(), 2u);
    EXPECT_EQ(net.FirstThruNode, 3);
    EXPECT_EQ(net.Links[0].Init, 1);
    EXPECT_EQ(net.Links[0].Term, 3);
    EXPECT_DOUBLE_EQ(net.Links[0].Toll, 7);
    EXPECT_DOUBLE_EQ(net.Links[1].Capacity, 200.5);
    EXPECT_EQ(net.Links[1].Type, 2);
    Network built = BuildNetwork(net, Demand(), 0, 0);
    EXPECT_EQ(built.NoThroughNodes, 2);
}

TEST(TntpReader, BadNetworkRowsNameLineAndField) {
    struct Row { std::string Rows, Expected; };
    const Row rows[] = {
        {"1 3 100 2 5 0.15 4 0 0 1 ;\n3 2 x 1 2 0.15 4 0 0 1 ;\n", "bad_net.tntp:9: capacity: \"x\" is not a number"},
        {"1 3 100 2 5 0.15 4 0 0 1 ;\n3 2 100 1 2 0.15 4\n", ":9: speed: missing"},
        {"1 4 100 2 5 0.15 4 0 0 1 ;\n3 2 100 1 2 0.15 4 0 0 1 ;\n", ":8: term_node: 4 is not a node 1..3"},
        {"0 3 100 2 5 0.15 4 0 0 1 ;\n3 2 100 1 2 0.15 4 0 0 1 ;\n", ":8: init_node: 0 is not a node"},
        {"1 3 100 -2 5 0.15 4 0 0 1 ;\n3 2 100 1 2 0.15 4 0 0 1 ;\n", ":8: length: must not be negative"},
        {"1 3 0 2 5 0.15 4 0 0 1 ;\n3 2 100 1 2 0.15 4 0 0 1 ;\n", ":8: capacity: must be positive"},
        {"1 3 100 2 nan 0.15 4 0 0 1 ;\n3 2 100 1 2 0.15 4 0 0 1 ;\n", ":8: free_flow_time: \"nan\" is not a number"},
        {"1 3 100 2 5 0.15 4 0 0 1 ;\n", "<NUMBER OF LINKS> is 2 but the file has 1 link rows"},
        {"1 3 100 2 5 0.15 4 0 0 1 2 ;\n3 2 100 1 2 0.15 4 0 0 1 ;\n", ":8: more than 10 fields"},
    };
    for (const Row& r : rows) {
        std::string message = NetworkError(std::string(kHeader) + r.Rows);
        EXPECT_NE(message.find(r.Expected), std::string::npos) << "got: " << message << "\nwanted: " << r.Expected;
    }
    EXPECT_NE(NetworkError("<NUMBER OF ZONES> 2\n<END OF METADATA>\n").find("<NUMBER OF NODES> is missing"), std::string::npos);
    EXPECT_NE(NetworkError("<NUMBER OF NODES> 2\n<NUMBER OF ZONES> 3\n<END OF METADATA>\n").find("larger than"), std::string::npos);
    EXPECT_NE(NetworkError("<NUMBER OF NODES> 2000000000\n<NUMBER OF ZONES> 3\n<END OF METADATA>\n").find(":3: <NUMBER OF NODES> is above"),
              std::string::npos);
}

TEST(TntpReader, MissingFileIsNamed) {
    try {
        ReadTntpNetwork("/nonexistent/x_net.tntp");
        FAIL();
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/x_net.tntp: cannot open"), std::string::npos);
    }
}

TEST(TntpReader, TripsAddUpPerPairAndSkipZerosAndIntrazonal) {
    std::string text = "<NUMBER OF ZONES> 2\n<TOTAL OD FLOW> 9\n<END OF METADATA>\n\nOrigin 1\r\n 1 : 4.0; 2 : 3.5;\r\n"
                       "Origin\t2\n 1 : 0.0;  2 : 1;\n 1 : 1.5;\n";
    Demand demand = ReadTntpTrips(WriteTemp("good_trips.tntp", text), 2);
    ASSERT_EQ(demand.OriginCount(), 2);
    EXPECT_EQ(demand.Origins[0], 0);
    EXPECT_EQ(demand.Destinations[0], 1);
    EXPECT_DOUBLE_EQ(demand.Trips[0], 3.5);
    EXPECT_EQ(demand.Destinations[1], 0);
    EXPECT_DOUBLE_EQ(demand.Trips[1], 1.5);
    EXPECT_DOUBLE_EQ(demand.Total(), 5);
}

TEST(TntpReader, AnOriginOnOneLongLineIsRead) {
    std::string line = "Origin 1\n";
    for (int i = 0; i < 20000; ++i) line += " 2 : 0.5;";
    Demand demand = ReadTntpTrips(WriteTemp("long_trips.tntp", line + "\n"), 2);
    ASSERT_EQ(demand.OriginCount(), 1);
    EXPECT_DOUBLE_EQ(demand.Total(), 10000);
}

TEST(TntpReader, BadTripsNameLineAndField) {
    struct Row { std::string Text, Expected; };
    const Row rows[] = {
        {"1 : 5;\n", "bad_trips.tntp:1: trips before the first \"Origin\" line"},
        {"Origin 3\n", ":1: origin: 3 is not a zone 1..2"},
        {"Origin 1\n 2 : abc;\n", ":2: trips to 2: \"abc\" is not a number"},
        {"Origin 1\n 7 : 1;\n", ":2: destination: 7 is not a zone 1..2"},
        {"Origin 1\n 2 : -1;\n", ":2: trips to 2: must not be negative"},
        {"Origin 1\n 2 5;\n", ":2: destination: \"2 5\" has no \":\""},
        {"<NUMBER OF ZONES> 5\n<END OF METADATA>\n", "<NUMBER OF ZONES> is 5 but the network has 2"},
        // A file without line ends (or no text) is refused at the limit, not held whole.
        {"Origin 1\n" + std::string(kMaxTntpLineLength + 10, '1'), ":2: line longer than 4194304 characters"},
    };
    for (const Row& r : rows) {
        std::string message = TripsError(r.Text);
        EXPECT_NE(message.find(r.Expected), std::string::npos) << "got: " << message << "\nwanted: " << r.Expected;
    }
}
