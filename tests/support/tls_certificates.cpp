#include "tests/support/tls_certificates.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <cstdio>

namespace dravanta {
namespace {

bool AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
  if (extension == nullptr) return false;
  bool added = X509_add_ext(certificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

long NextSerial() {
  static std::atomic<long> serial{1000};
  return ++serial;
}

}  // namespace

std::string TlsIdentity::CertificatePem() const {
  if (!certificate) return {};
  BIO* memory = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(memory, certificate.get());
  char* data = nullptr;
  long length = BIO_get_mem_data(memory, &data);
  std::string pem(data, static_cast<size_t>(length));
  BIO_free(memory);
  return pem;
}

TlsIdentity MakeCertificate(const CertificateRequest& request, const TlsIdentity* issuer) {
  TlsIdentity identity;
  EVP_PKEY* key = EVP_EC_gen("P-256");
  if (key == nullptr) return {};
  identity.key.reset(key, KeyFree{});
  X509* certificate = X509_new();
  identity.certificate.reset(certificate, X509Free{});
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), NextSerial());
  X509_gmtime_adj(X509_getm_notBefore(certificate), request.valid_from_seconds);
  X509_gmtime_adj(X509_getm_notAfter(certificate), request.valid_until_seconds);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(request.common_name.c_str()),
                             -1, -1, 0);
  X509* issuer_certificate = issuer ? issuer->certificate.get() : certificate;
  EVP_PKEY* signing_key = issuer ? issuer->key.get() : key;
  X509_set_issuer_name(certificate, X509_get_subject_name(issuer_certificate));

  std::string alternative_names;
  for (const std::string& dns : request.dns_names) {
    alternative_names += (alternative_names.empty() ? "DNS:" : ",DNS:") + dns;
  }
  for (const std::string& ip : request.ip_addresses) {
    alternative_names += (alternative_names.empty() ? "IP:" : ",IP:") + ip;
  }
  bool ok = true;
  if (request.certificate_authority) {
    ok = AddExtension(certificate, issuer_certificate, NID_basic_constraints, "critical,CA:TRUE") &&
         AddExtension(certificate, issuer_certificate, NID_key_usage,
                      "critical,keyCertSign,cRLSign") &&
         AddExtension(certificate, issuer_certificate, NID_subject_key_identifier, "hash");
  } else {
    ok = AddExtension(certificate, issuer_certificate, NID_basic_constraints, "CA:FALSE") &&
         AddExtension(certificate, issuer_certificate, NID_ext_key_usage, "serverAuth");
    if (ok && !alternative_names.empty()) {
      ok = AddExtension(certificate, issuer_certificate, NID_subject_alt_name, alternative_names);
    }
  }
  if (!ok || X509_sign(certificate, signing_key, EVP_sha256()) == 0) return {};
  return identity;
}

TlsIdentity MakeSelfSigned() { return MakeCertificate({}, nullptr); }

TlsIdentity MakeExpiredSelfSigned() {
  CertificateRequest request;
  request.valid_from_seconds = -30 * 24 * 3600;
  request.valid_until_seconds = -24 * 3600;
  return MakeCertificate(request, nullptr);
}

TlsIdentity MakeNotYetValidSelfSigned() {
  CertificateRequest request;
  request.valid_from_seconds = 24 * 3600;
  request.valid_until_seconds = 30 * 24 * 3600;
  return MakeCertificate(request, nullptr);
}

TlsIdentity MakeAuthority(const std::string& name) {
  CertificateRequest request;
  request.common_name = name;
  request.ip_addresses.clear();
  request.certificate_authority = true;
  return MakeCertificate(request, nullptr);
}

TlsIdentity MakeServerCertificate(const TlsIdentity& authority, const std::string& dns_name_only) {
  CertificateRequest request;
  if (!dns_name_only.empty()) {
    request.common_name = dns_name_only;
    request.dns_names = {dns_name_only};
    request.ip_addresses.clear();
  }
  return MakeCertificate(request, &authority);
}

TlsIdentity MakeExpiredServerCertificate(const TlsIdentity& authority) {
  CertificateRequest request;
  request.valid_from_seconds = -30 * 24 * 3600;
  request.valid_until_seconds = -24 * 3600;
  return MakeCertificate(request, &authority);
}

bool WriteCertificatePem(const TlsIdentity& identity, const std::string& path) {
  std::string pem = identity.CertificatePem();
  if (pem.empty()) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(pem.data(), 1, pem.size(), file) == pem.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace dravanta
