#include "api/curl_http.h"

#include <gtest/gtest.h>

namespace wf {
namespace {

TEST(CurlHttp, UrlBytesAndReasonPhrases) {
  EXPECT_EQ(EscapeUrlBytes("http://h/q?q=caf\xC3\xA9 x"), "http://h/q?q=caf%C3%A9%20x");
  EXPECT_EQ(EscapeUrlBytes("http://h/a?b=1&c=%20"), "http://h/a?b=1&c=%20");
  EXPECT_EQ(ReasonPhrase(429), "Too Many Requests");
  EXPECT_EQ(ReasonPhrase(200), "OK");
}

TEST(CurlHttp, UnreachableHostIsATransportFailure) {
  CurlHttpClient client;
  auto request = client.CreateRequest();
  request->Open("GET", "http://127.0.0.1:1/1.1/search/tweets.json", false);
  request->Send();
  EXPECT_FALSE(request->WaitForResponse(2));
  EXPECT_FALSE(request->ErrorText().empty());
}

}  // namespace
}  // namespace wf
