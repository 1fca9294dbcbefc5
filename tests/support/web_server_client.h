#pragma once
// A test of the HTTP client against the loopback web servers (nginx, tinyproxy): the started
// servers, a client with a ten-second limit that records every block it reads as
// (block, blocks), and GET with one extra header line.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "net/http_client.h"
#include "support/test_web_server.h"

namespace qvx::test {

class WebServerClientTest : public ::testing::Test {
 protected:
  void SetUp() override;
  bool Get(const std::string& url, const std::string& extraHeader = "");

  TestWebServer* server = nullptr;
  THttpClient http;
  std::vector<std::pair<int32_t, int32_t>> events;
};

// n bytes of a fixed pseudo-random sequence chosen by seed: contents that no compression or
// transfer fault leaves as they were by chance.
std::string NoiseContent(size_t n, int seed);

}  // namespace qvx::test
