#pragma once

#include <memory>
#include <string>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace wf::apisim {

// A fresh self-signed certificate for 127.0.0.1 and localhost (P-256 key, valid from a day
// ago for a year). It is its own CA, so a client can trust exactly this certificate.
class SelfSignedCertificate {
 public:
  static std::unique_ptr<SelfSignedCertificate> Generate(std::string* error);
  ~SelfSignedCertificate();
  SelfSignedCertificate(const SelfSignedCertificate&) = delete;
  SelfSignedCertificate& operator=(const SelfSignedCertificate&) = delete;

  X509* certificate() const { return cert_; }
  EVP_PKEY* key() const { return key_; }
  const std::string& pem() const { return pem_; }

 private:
  SelfSignedCertificate() = default;
  X509* cert_ = nullptr;
  EVP_PKEY* key_ = nullptr;
  std::string pem_;
};

}  // namespace wf::apisim
