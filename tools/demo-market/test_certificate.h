// A throw-away certificate authority and a server certificate for 127.0.0.1, made in memory
// when the market starts, so that HTTPS clients can be tested against a real TLS server without
// any key living in the repository. Only the CA certificate leaves the process (as a PEM file
// that clients are told to trust).
#pragma once

#include <string>

namespace kestrune::demo {

struct TestCertificate {
  std::string caCertificatePem;
  std::string serverCertificatePem;
  std::string serverKeyPem;
};

// A CA valid for a day around now, and a server certificate it signed with the subject
// alternative names IP 127.0.0.1 and DNS localhost. Throws std::runtime_error when OpenSSL fails.
TestCertificate makeTestCertificate();

}  // namespace kestrune::demo
