#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

const std::string kSioux = std::string(VELTRA_SHARED_DATA) + "/siouxfalls/SiouxFalls_";

struct ProgramRun {
    int ExitCode;
    std::string Output;
};

ProgramRun RunAssign(const std::string& arguments) {
    std::string command = std::string(VELTRA_ASSIGN_EXE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

bool HaveSioux() { return std::ifstream(kSioux + "trips.tntp").good(); }

} // namespace

TEST(AssignProgram, ExitCodeSaysWhetherTheGapWasReached) {
    if (!HaveSioux()) GTEST_SKIP() << "Sioux Falls files not found at " << kSioux;
    struct Row { std::string Options; int Code; std::string Summary; };
    const Row rows[] = {
        {"--gap 1e-6", 0, "converged after"},
        {"--gap 1e-12 --max-iter 1", 2, "iteration limit reached after 1 iterations"},
        {"--gap 1e-3 --algorithm fw --max-iter 3", 2, "iteration limit reached"},
        {"--gap 1e-4 --algorithm cfw --threads 2", 0, "converged after"},
    };
    for (const Row& r : rows) {
        ProgramRun run = RunAssign("--net " + kSioux + "net.tntp --trips " + kSioux + "trips.tntp " + r.Options);
        EXPECT_EQ(run.ExitCode, r.Code) << r.Options << "\n" << run.Output;
        EXPECT_NE(run.Output.find(r.Summary), std::string::npos) << run.Output;
        EXPECT_NE(run.Output.find("iteration     0  relative gap"), std::string::npos) << run.Output;
        for (const char* figure : {"average excess", "largest excess"})
            EXPECT_NE(run.Output.find(std::string(figure), run.Output.find(r.Summary)), std::string::npos) << run.Output;
    }
}

TEST(AssignProgram, WritesOneRowPerLinkInFileOrder) {
    if (!HaveSioux()) GTEST_SKIP() << "Sioux Falls files not found at " << kSioux;
    std::string out = std::string(::testing::TempDir()) + "sioux_flows.csv";
    ProgramRun run = RunAssign("--net " + kSioux + "net.tntp --trips " + kSioux + "trips.tntp --gap 1e-5 --out " + out);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "init_node,term_node,flow,cost");
    std::getline(in, line);
    EXPECT_EQ(line.rfind("1,2,", 0), 0u) << line;
    int rows = 1;
    while (std::getline(in, line)) ++rows;
    EXPECT_EQ(rows, 76);
}

TEST(AssignProgram, HandSolvedNetworkGivesItsFlowsAndCostsInTheCsv) {
    const std::string data = std::string(VELTRA_ASSIGN_DATA) + "/two_routes_";
    std::string out = std::string(::testing::TempDir()) + "two_routes_flows.csv";
    ProgramRun run = RunAssign("--net " + data + "net.tntp --trips " + data + "trips.tntp --gap 1e-12 --out " + out);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "init_node,term_node,flow,cost\n1,2,20,30\n1,2,20,30\n");
}

std::string WriteTemp(const std::string& name, const std::string& text) {
    std::string path = std::string(::testing::TempDir()) + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(AssignProgram, BadInputStopsWithCodeOneAndAMessageBeforeSolving) {
    const std::string header = "<NUMBER OF ZONES> 2\n<NUMBER OF NODES> 2\n<END OF METADATA>\n";
    std::string badNet = WriteTemp("cli_bad_net.tntp", header + "1 2 10 1 1 0.15 4 0 0 one ;\n");
    std::string hugeB = WriteTemp("cli_huge_b_net.tntp", header + "1 2 10 6 6 1e308 4 0 0 1 ;\n");
    std::string net = WriteTemp("cli_net.tntp", header + "1 2 10 6 6 0.15 4 0 0 1 ;\n");
    std::string trips = WriteTemp("cli_trips.tntp", "Origin 1\n 2 : 5;\n");
    std::string empty = WriteTemp("cli_empty_trips.tntp", "");
    std::string zeros = WriteTemp("cli_zero_trips.tntp", "<NUMBER OF ZONES> 2\n<END OF METADATA>\nOrigin 1\n 1 : 7; 2 : 0;\n");
    const std::string both = " --net " + net + " --trips ";
    struct Row { std::string Arguments, Message; };
    const Row rows[] = {
        {"", "usage: veltra-assign"},
        {"--net x_net.tntp", "--trips is required"},
        {"--net a --trips b --progress soon", "--progress: \"soon\" is not a number of seconds from 0 to 3600"},
        {"--net a --trips b --gap fast", "--gap: \"fast\" is not a number"},
        {"--net a --trips b --algorithm newton", "--algorithm: \"newton\" is not b, fw or cfw"},
        {"--net a --trips b --bogus 1", "unknown option --bogus"},
        {"--net /nonexistent_net.tntp --trips b", "/nonexistent_net.tntp: cannot open"},
        {"--net " + badNet + " --trips b", "cli_bad_net.tntp:4: link_type: \"one\" is not a number"},
        {"--net " + hugeB + " --trips " + trips, "cli_huge_b_net.tntp:4: b: 1e308 times free_flow_time 6 overflows a double"},
        {both + trips + " --distance-weight 1e308", "cli_net.tntp:4: length: 6 times --distance-weight 1e+308 overflows a double"},
        {both + empty, "cli_empty_trips.tntp:1: the file is empty"},
        {both + zeros, "cli_zero_trips.tntp:4: the file ends without a single trip between different zones"},
        {both + trips + " --out /nonexistent_folder/flows.csv", "/nonexistent_folder/flows.csv: cannot create the file"},
    };
    for (const Row& r : rows) {
        ProgramRun run = RunAssign(r.Arguments);
        EXPECT_EQ(run.ExitCode, 1) << r.Arguments << "\n" << run.Output;
        EXPECT_NE(run.Output.find(r.Message), std::string::npos) << r.Arguments << "\n" << run.Output;
        EXPECT_EQ(run.Output.find("0  relative gap"), std::string::npos) << "solved before refusing: " << r.Arguments;
    }
}

TEST(AssignProgram, HelpListsEveryOptionItsDefaultAndTheExitCodes) {
    ProgramRun run = RunAssign("--help");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    const char* const expected[] = {"--net", "--trips", "--out", "--gap G", "default 1e-8", "--excess E", "default 1e-6",
                                    "--max-iter N", "default 1000", "--threads N", "default 0", "--algorithm b|fw|cfw",
                                    "default b", "--toll-weight", "--distance-weight", "0  converged", "2  not converged",
                                    "1  bad input"};
    for (const char* text : expected) EXPECT_NE(run.Output.find(text), std::string::npos) << text << "\n" << run.Output;
}
