#include "apisim/tls_cert.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace wf::apisim {

namespace {

std::string OpenSslError(const char* what) {
  std::string message = what;
  const unsigned long code = ERR_get_error();
  if (code != 0) {
    char buf[256];
    ERR_error_string_n(code, buf, sizeof buf);
    message += ": ";
    message += buf;
  }
  ERR_clear_error();
  return message;
}

bool AddExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (ext == nullptr) return false;
  const bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

}  // namespace

SelfSignedCertificate::~SelfSignedCertificate() {
  X509_free(cert_);
  EVP_PKEY_free(key_);
}

std::unique_ptr<SelfSignedCertificate> SelfSignedCertificate::Generate(std::string* error) {
  auto fail = [&](const char* what) -> std::unique_ptr<SelfSignedCertificate> {
    if (error != nullptr) *error = OpenSslError(what);
    return nullptr;
  };
  std::unique_ptr<SelfSignedCertificate> out(new SelfSignedCertificate);
  // An EC key is generated in about a millisecond; RSA would add noticeably to start-up.
  out->key_ = EVP_EC_gen("P-256");
  if (out->key_ == nullptr) return fail("cannot generate the key");
  out->cert_ = X509_new();
  X509* cert = out->cert_;
  if (cert == nullptr || X509_set_version(cert, 2) != 1)
    return fail("cannot create the certificate");

  unsigned char serial[16];
  if (RAND_bytes(serial, sizeof serial) != 1) return fail("no random serial");
  serial[0] &= 0x7f;  // keep it positive
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  const bool serial_ok = bn != nullptr && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
  BN_free(bn);
  if (!serial_ok) return fail("cannot set the serial");

  X509_gmtime_adj(X509_getm_notBefore(cert), -86400L);
  X509_gmtime_adj(X509_getm_notAfter(cert), 365L * 86400L);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Wrenfold"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("wrenfold-apisim"), -1, -1, 0);
  X509_set_issuer_name(cert, name);
  if (X509_set_pubkey(cert, out->key_) != 1) return fail("cannot attach the key");

  if (!AddExtension(cert, NID_basic_constraints, "critical,CA:TRUE") ||
      !AddExtension(cert, NID_key_usage, "critical,digitalSignature,keyCertSign") ||
      !AddExtension(cert, NID_ext_key_usage, "serverAuth") ||
      !AddExtension(cert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") ||
      !AddExtension(cert, NID_subject_key_identifier, "hash"))
    return fail("cannot add the certificate extensions");
  if (X509_sign(cert, out->key_, EVP_sha256()) == 0) return fail("cannot sign the certificate");

  BIO* bio = BIO_new(BIO_s_mem());
  if (bio == nullptr || PEM_write_bio_X509(bio, cert) != 1) {
    BIO_free(bio);
    return fail("cannot write the certificate");
  }
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  out->pem_.assign(data, static_cast<size_t>(size));
  BIO_free(bio);
  return out;
}

}  // namespace wf::apisim
