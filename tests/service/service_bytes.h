// The launcher's two messages and a reply, byte for byte, as the tests
// expect them on the wire.
#ifndef QUILLON_TESTS_SERVICE_SERVICE_BYTES_H_
#define QUILLON_TESTS_SERVICE_SERVICE_BYTES_H_

#include <string>

namespace quillon::testing {

const std::string kHeader("\x01OstrelVT\x1FV1\x1F\x02", 14);
const std::string kClosing = kHeader + "END\x1FOstrelVT\x1F\x03";
const std::string kVersionRequest = kHeader +
                                    "CDR\x1FO\x1FVersion\x1F"
                                    "Check\x1F\x03";

// A framed reply: the header, each field ended by US, ETX.
inline std::string Frame(const std::string& fields) {
  return kHeader + fields + "\x03";
}

}  // namespace quillon::testing

#endif  // QUILLON_TESTS_SERVICE_SERVICE_BYTES_H_
