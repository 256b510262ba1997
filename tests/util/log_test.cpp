// The typed messages of the log: the empty lines around them, the frame of a framed error,
// the errors list, the fatal stop and what each kind of stop says, on the console and byte for
// byte in the messages file.
#include "util/log.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "support/test_support.h"

namespace veltra {
namespace {

TEST(MessageLog, TypedMessagesWriteTheirEmptyLinesFrameAndErrorsListEntry) {
  struct Case {
    const char* name;
    std::function<void(MessageLog&)> write;
    std::string console;
    std::vector<std::string> errors;
  };
  const std::string frame = kErrorFrame;
  const Case cases[] = {
      {"warning", [](MessageLog& log) { log.Warning("   ATENCION: aviso"); }, "   ATENCION: aviso\n", {}},
      {"spaced warning", [](MessageLog& log) { log.Warning("ATENCION: aviso", 1); }, "\nATENCION: aviso\n\n", {}},
      {"error", [](MessageLog& log) { log.Error("ERROR - dato"); }, "ERROR - dato\n", {}},
      {"listed error", [](MessageLog& log) { log.Error("ERROR - dato", 2, Listed::Yes); }, "\n\nERROR - dato\n\n\n",
       {"ERROR - dato"}},
      {"framed error", [](MessageLog& log) { log.FramedError("Nodo 5 requerido"); },
       "\n\n" + frame + "\nNodo 5 requerido\n" + frame + "\n\n\n", {}},
      // What each kind of stop says when the program's entry finishes it.
      {"stop with its message", [](MessageLog& log) { InputError("ERROR - dato", 1, Listed::Yes).Report(log); },
       "\nERROR - dato\n\n", {"ERROR - dato"}},
      {"stop already said", [](MessageLog& log) { RunStop().Report(log); }, "", {}},
      {"file", [](MessageLog& log) { FileError("ERROR - No se puede leer x").Report(log); },
       "\nERROR - No se puede leer x\nProceso Abortado....\n", {}},
      {"number", [](MessageLog& log) { NumberFormatError("'x' no es un entero").Report(log); },
       "\nERROR - Valor no numerico: 'x' no es un entero\nProceso Abortado....\n", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    std::ostringstream console;
    MessageLog log(console);
    ASSERT_TRUE(log.OpenMessagesFile("mensajes.txt"));
    c.write(log);
    log.CloseMessagesFile();
    EXPECT_EQ(console.str(), c.console);
    std::string file = c.console;
    for (size_t at = file.find('\n'); at != std::string::npos; at = file.find('\n', at + 2)) file.replace(at, 1, "\r\n");
    EXPECT_EQ(dir.Read("mensajes.txt"), file);
    EXPECT_EQ(log.Errors, c.errors);
  }
}

TEST(MessageLog, FatalWritesTheErrorThenStopsSavingTheErrorsList) {
  for (Listed listed : {Listed::No, Listed::Yes}) {
    std::ostringstream console;
    MessageLog log(console);
    try {
      log.Fatal("ERROR - Red Saturn x.dat, linea 3: sin fin", 1, listed);
      FAIL() << "no stop";
    } catch (const RunStop& stop) {
      EXPECT_EQ(stop.ExitCode, 1);
      EXPECT_TRUE(stop.SaveErrors);
    }
    EXPECT_EQ(console.str(), "\nERROR - Red Saturn x.dat, linea 3: sin fin\n\n");
    EXPECT_EQ(log.Errors.size(), listed == Listed::Yes ? 1u : 0u);
  }
}

}  // namespace
}  // namespace veltra
