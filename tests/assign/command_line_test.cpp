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

TEST(AssignProgram, BadInputStopsWithCodeOneAndAMessage) {
    std::string badNet = std::string(::testing::TempDir()) + "cli_bad_net.tntp";
    std::ofstream(badNet) << "<NUMBER OF ZONES> 1\n<NUMBER OF NODES> 2\n<END OF METADATA>\n1 2 10 1 1 0.15 4 0 0 one ;\n";
    struct Row { std::string Arguments, Message; };
    const Row rows[] = {
        {"", "--net is required"},
        {"--net x_net.tntp", "--trips is required"},
        {"--net a --trips b --gap fast", "--gap: \"fast\" is not a number"},
        {"--net a --trips b --algorithm newton", "--algorithm: \"newton\" is not b, fw or cfw"},
        {"--net a --trips b --bogus 1", "unknown option --bogus"},
        {"--net /nonexistent_net.tntp --trips b", "/nonexistent_net.tntp: cannot open"},
        {"--net " + badNet + " --trips b", "cli_bad_net.tntp:4: link_type: \"one\" is not a number"},
    };
    for (const Row& r : rows) {
        ProgramRun run = RunAssign(r.Arguments);
        EXPECT_EQ(run.ExitCode, 1) << r.Arguments << "\n" << run.Output;
        EXPECT_NE(run.Output.find(r.Message), std::string::npos) << r.Arguments << "\n" << run.Output;
    }
}
