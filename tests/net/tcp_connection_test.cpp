#include "net/tcp_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/script_server.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;
using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A server that sends the packets with pauses between them, so each arrives on its own.
ServerScript Packets(const std::vector<std::string>& packets, int pauseMs = 150) {
  ServerScript script;
  for (const auto& p : packets) script.Send(p).Pause(pauseMs);
  return script;
}

void Connect(TTcpConnection& c, const ScriptServer& server) {
  ASSERT_TRUE(c.OpenConnection("127.0.0.1", std::to_string(server.Port()))) << c.SocketError();
}

TEST(TcpConnectionLines, EveryTerminatorFormAcrossPacketBoundaries) {
  struct Case {
    const char* name;
    std::vector<std::string> packets;
    std::vector<std::string> lines;
  } cases[] = {
      {"mixed terminators in one packet", {"a\r\nb\nc\r"}, {"a", "b", "c"}},
      {"lone CR then LF in the next packet", {"a\r", "\nb\r\n"}, {"a", "b"}},
      {"lone LF then CR in the next packet", {"a\n", "\rb\n"}, {"a", "b"}},
      {"LF CR is one terminator", {"a\n\rb\n"}, {"a", "b"}},
      {"CR CR is two", {"a\r\rb\n"}, {"a", "", "b"}},
      {"line split over packets", {"ab", "cd", "e\r\n"}, {"abcde"}},
      {"next packet starts a new line", {"a\r", "b\n"}, {"a", "b"}},
      {"lone CR, next packet only its LF", {"a\r", "\n", "b\n"}, {"a", "b"}},
  };
  for (const auto& c : cases) {
    ScriptServer server({Packets(c.packets)});
    TTcpConnection conn;
    Connect(conn, server);
    for (const auto& expected : c.lines) {
      EXPECT_EQ(conn.ReceiveLine(5000), expected) << c.name;
      EXPECT_EQ(conn.SocketError(), 0) << c.name;
    }
  }
}

TEST(TcpConnectionLines, BytesAfterALineStayForTheNextRead) {
  ScriptServer server({Packets({"HTTP/1.0 200 OK\r\n\r\nBODY-BYTES+rest"})});
  TTcpConnection conn;
  Connect(conn, server);
  EXPECT_EQ(conn.ReceiveLine(5000), "HTTP/1.0 200 OK");
  EXPECT_EQ(conn.ReceiveLine(5000), "");
  EXPECT_EQ(conn.ReceiveExact(10, 5000), "BODY-BYTES");
  EXPECT_EQ(conn.ReceiveAvailable(5000), "+rest");
}

TEST(TcpConnectionLines, LongLineInManyPiecesAndManyShortLines) {
  // Costs stay linear: a quadratic buffer would copy gigabytes here.
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "line" + std::to_string(i) + "\r\n";
  std::string longLine(3 << 20, 'x');
  ScriptServer server({Packets({many, longLine.substr(0, 1 << 20), longLine.substr(1 << 20) + "\n"}, 20)});
  TTcpConnection conn;
  Connect(conn, server);
  const auto start = Clock::now();
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(conn.ReceiveLine(5000), "line" + std::to_string(i));
  EXPECT_TRUE(conn.ReceiveLine(5000) == longLine);
  EXPECT_LT(MillisecondsSince(start), 20000);
}

TEST(TcpConnectionLines, LineLongerThanTheLimitFails) {
  ScriptServer server({Packets({std::string(5000, 'x') + "\r\n"})});
  TTcpConnection conn;
  conn.MaxLineLength = 4096;
  Connect(conn, server);
  EXPECT_EQ(conn.ReceiveLine(5000).size(), 0u);
  EXPECT_EQ(conn.SocketError(), sockerr::kMessageTooLong);
}

TEST(TcpConnectionExact, GathersAcrossPacketsAndKeepsTheSurplus) {
  std::string big(200000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  ScriptServer server({Packets({"ab", "cdef", big.substr(0, 70000), big.substr(70000) + "tail"}, 50)});
  TTcpConnection conn;
  Connect(conn, server);
  EXPECT_EQ(conn.ReceiveExact(3, 5000), "abc");
  EXPECT_EQ(conn.ReceiveExact(3, 5000), "def");
  std::string target = "prefix";
  ASSERT_TRUE(conn.AppendExact(big.size(), 5000, target));
  EXPECT_EQ(target, "prefix" + big);
  EXPECT_EQ(conn.ReceiveExact(4, 5000), "tail");
}

TEST(TcpConnectionErrors, PeerCloseSilenceAndReset) {
  {
    ScriptServer server({ServerScript().Pause(200)});
    TTcpConnection conn;
    Connect(conn, server);
    EXPECT_EQ(conn.ReceiveAvailable(5000), "");
    EXPECT_EQ(conn.SocketError(), sockerr::kConnectionReset);
  }
  {
    ScriptServer server({ServerScript().Pause(3000)});
    TTcpConnection conn;
    Connect(conn, server);
    const auto start = Clock::now();
    EXPECT_EQ(conn.ReceiveAvailable(300), "");
    EXPECT_EQ(conn.SocketError(), sockerr::kTimedOut);
    EXPECT_GE(MillisecondsSince(start), 250);
    EXPECT_LT(MillisecondsSince(start), 2500);
  }
  {
    ScriptServer server({ServerScript().Send("partial").Pause(200).Reset()});
    TTcpConnection conn;
    Connect(conn, server);
    std::string got = conn.ReceiveExact(100, 5000);
    EXPECT_EQ(got, "");
    EXPECT_EQ(conn.SocketError(), sockerr::kConnectionReset);
  }
}

TEST(TcpConnectionErrors, SlowTrickleNeverTimesOut) {
  ServerScript script;
  for (int i = 0; i < 6; ++i) script.Send("x").Pause(150);
  script.Send("\n");
  ScriptServer server({script});
  TTcpConnection conn;
  Connect(conn, server);
  EXPECT_EQ(conn.ReceiveLine(400), "xxxxxx");
  EXPECT_EQ(conn.SocketError(), 0);
}

TEST(TcpConnectionOpen, RefusedPortAndTls) {
  int32_t port = 0;
  {
    SocketHandle h = kNoSocket;
    ASSERT_EQ(SocketListen("127.0.0.1", "0", h), 0);
    SocketLocalPort(h, port);
    SocketClose(h);
  }
  TTcpConnection conn;
  EXPECT_FALSE(conn.OpenConnection("127.0.0.1", std::to_string(port)));
  EXPECT_EQ(conn.SocketError(), sockerr::kConnectionRefused);
  EXPECT_FALSE(conn.StartTls("127.0.0.1", 1000));
  EXPECT_NE(conn.SocketError(), 0);
}

TEST(TcpConnectionOpen, TunnelAsksTheProxyWithConnect) {
  ScriptServer proxy({ServerScript().Answer("HTTP/1.0 403 Forbidden\r\n\r\n"),
                      ServerScript().Answer("HTTP/1.0 200 Connection established\r\n\r\n").Pause(500)});
  for (int round = 0; round < 2; ++round) {
    TTcpConnection conn;
    conn.TunnelHost = "127.0.0.1";
    conn.TunnelPort = std::to_string(proxy.Port());
    conn.TunnelUser = "u";
    conn.TunnelPass = "p";
    bool opened = conn.OpenConnection("example.test", "443");
    EXPECT_EQ(opened, round == 1);
    EXPECT_EQ(conn.SocketError(), round == 1 ? 0 : sockerr::kConnectionRefused);
  }
  proxy.WaitDone(5000);
  EXPECT_EQ(proxy.Received()[0],
            "CONNECT example.test:443 HTTP/1.0\r\nProxy-Authorization: Basic dTpw\r\n\r\n");
}

TEST(TcpConnectionSend, LargeTextArrivesWhole) {
  std::string text(300000, 'q');
  text += "\r\n\r\n";
  ScriptServer server({ServerScript().ReadRequest()});
  TTcpConnection conn;
  Connect(conn, server);
  EXPECT_TRUE(conn.SendText(text));
  ASSERT_TRUE(server.WaitDone(5000));
  EXPECT_EQ(server.Received()[0], text);
}

TEST(TcpConnectionState, PendingInputAndClose) {
  ScriptServer server({ServerScript().Pause(200).Send("data").Pause(2000)});
  TTcpConnection conn;
  Connect(conn, server);
  EXPECT_FALSE(conn.HasPendingInput());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(conn.HasPendingInput());
  conn.ReceiveExact(2, 1000);
  EXPECT_TRUE(conn.HasPendingInput());  // "ta" is still buffered
  conn.CloseConnection();
  EXPECT_FALSE(conn.IsOpen());
  EXPECT_EQ(conn.SocketError(), 0);
  EXPECT_EQ(conn.ReceiveAvailable(100), "");
  EXPECT_NE(conn.SocketError(), 0);
}

TEST(TcpConnectionInterrupt, EndsAWaitOnAnotherThreadPromptly) {
  ScriptServer server({ServerScript().Send("head").Pause(20000)});
  TTcpConnection conn;
  Connect(conn, server);
  std::thread aborter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    conn.Interrupt();
  });
  const auto start = Clock::now();
  EXPECT_EQ(conn.ReceiveLine(30000), "");
  const int64_t spent = MillisecondsSince(start);
  aborter.join();
  EXPECT_EQ(conn.SocketError(), sockerr::kInterrupted);
  EXPECT_LT(spent, 2000);
  // Interrupted stays interrupted: later reads and opens fail at once, buffered bytes or not.
  EXPECT_EQ(conn.ReceiveAvailable(30000), "");
  EXPECT_EQ(conn.SocketError(), sockerr::kInterrupted);
  EXPECT_FALSE(conn.OpenConnection("127.0.0.1", std::to_string(server.Port())));
  EXPECT_LT(MillisecondsSince(start), 3000);
}

}  // namespace
}  // namespace qvx
