#include "tools/demo-market/test_certificate.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace kestrune::demo {
namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

// P-256 keys: generated in milliseconds, so every market start can afford fresh ones.
KeyPtr makeKey() {
  KeyPtr key(EVP_EC_gen("P-256"));
  check(key != nullptr, "key generation failed");
  return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  check(extension != nullptr, "bad extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

CertPtr makeCertificate(EVP_PKEY* subjectKey, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                        bool isAuthority) {
  CertPtr certificate(X509_new());
  check(certificate != nullptr, "X509_new failed");
  X509_set_version(certificate.get(), 2);
  unsigned char serial[16];
  check(RAND_bytes(serial, sizeof serial) == 1, "no random serial");
  serial[0] &= 0x7f;  // serial numbers must be positive
  BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate.get()));
  BN_free(number);
  // Valid from an hour ago, so a clock a little behind on the client side still accepts it.
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 24 * 3600);
  X509_set_pubkey(certificate.get(), subjectKey);
  X509_NAME* name = X509_get_subject_name(certificate.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("KestruneTrellisor demo market"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                             -1, 0);
  X509* signer = issuer ? issuer : certificate.get();
  X509_set_issuer_name(certificate.get(), X509_get_subject_name(signer));
  if (isAuthority) {
    addExtension(certificate.get(), signer, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
    addExtension(certificate.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(certificate.get(), signer, NID_subject_key_identifier, "hash");
  } else {
    addExtension(certificate.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(certificate.get(), signer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    addExtension(certificate.get(), signer, NID_ext_key_usage, "serverAuth");
    addExtension(certificate.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    addExtension(certificate.get(), signer, NID_authority_key_identifier, "keyid:always");
  }
  check(X509_sign(certificate.get(), issuerKey, EVP_sha256()) > 0, "signing failed");
  return certificate;
}

std::string pemOf(X509* certificate) {
  BIO* memory = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(memory, certificate);
  char* data = nullptr;
  long size = BIO_get_mem_data(memory, &data);
  std::string text(data, static_cast<size_t>(size));
  BIO_free(memory);
  return text;
}

std::string pemOf(EVP_PKEY* key) {
  BIO* memory = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(memory, key, nullptr, nullptr, 0, nullptr, nullptr);
  char* data = nullptr;
  long size = BIO_get_mem_data(memory, &data);
  std::string text(data, static_cast<size_t>(size));
  BIO_free(memory);
  return text;
}

}  // namespace

TestCertificate makeTestCertificate() {
  KeyPtr authorityKey = makeKey();
  CertPtr authority = makeCertificate(authorityKey.get(), "Demo market test CA", nullptr, authorityKey.get(), true);
  KeyPtr serverKey = makeKey();
  CertPtr server = makeCertificate(serverKey.get(), "127.0.0.1", authority.get(), authorityKey.get(), false);
  return {pemOf(authority.get()), pemOf(server.get()), pemOf(serverKey.get())};
}

}  // namespace kestrune::demo
