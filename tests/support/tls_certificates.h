// Certificates made at test time for the TLS variant of the fake server.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

namespace dravanta {

struct X509Free {
  void operator()(X509* certificate) const { X509_free(certificate); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

// A certificate with its private key.
struct TlsIdentity {
  std::shared_ptr<X509> certificate;
  std::shared_ptr<EVP_PKEY> key;
  std::string CertificatePem() const;
};

struct CertificateRequest {
  std::string common_name = "127.0.0.1";
  std::vector<std::string> dns_names;                     // subjectAltName DNS entries
  std::vector<std::string> ip_addresses = {"127.0.0.1"};  // subjectAltName IP entries
  long valid_from_seconds = -3600;                        // relative to now
  long valid_until_seconds = 7 * 24 * 3600;
  bool certificate_authority = false;
};

// Issued by issuer, or self-signed when issuer is null. Empty on failure.
TlsIdentity MakeCertificate(const CertificateRequest& request, const TlsIdentity* issuer);

// The usual cases, for 127.0.0.1.
TlsIdentity MakeSelfSigned();
TlsIdentity MakeExpiredSelfSigned();
TlsIdentity MakeNotYetValidSelfSigned();
TlsIdentity MakeAuthority(const std::string& name);
TlsIdentity MakeServerCertificate(const TlsIdentity& authority,
                                  const std::string& dns_name_only = "");
TlsIdentity MakeExpiredServerCertificate(const TlsIdentity& authority);

// Writes the certificate as PEM; true on success.
bool WriteCertificatePem(const TlsIdentity& identity, const std::string& path);

}  // namespace dravanta
