#include "transport/certificate_check.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace dravanta {
namespace {

int RelaxedVerify(int preverified, X509_STORE_CTX* store) {
  if (preverified == 1) return 1;
  if (!RelaxedCheckForgives(X509_STORE_CTX_get_error(store))) return 0;
  // Clear the error so the handshake's final verdict is clean too.
  X509_STORE_CTX_set_error(store, X509_V_OK);
  return 1;
}

}  // namespace

bool RelaxedCheckForgives(int verify_error) {
  switch (verify_error) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_HOSTNAME_MISMATCH:
      return true;
    default:
      return false;
  }
}

int InstallRelaxedCertificateCheck(void* /*curl*/, void* ssl_context, void* /*user_data*/) {
  SSL_CTX_set_verify(static_cast<SSL_CTX*>(ssl_context), SSL_VERIFY_PEER, &RelaxedVerify);
  return CURLE_OK;
}

}  // namespace dravanta
