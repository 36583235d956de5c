// The relaxed certificate check of "cert_check" "0": a certificate from an
// unknown issuer (self-signed included) is accepted; every other fault,
// such as an expired or not yet valid certificate, still fails the
// handshake. A name that does not match the host is accepted by not asking
// for the host check.
#pragma once

namespace dravanta {

// libcurl CURLOPT_SSL_CTX_FUNCTION: installs the relaxed verify callback on
// the OpenSSL context of one handle.
int InstallRelaxedCertificateCheck(void* curl, void* ssl_context, void* user_data);

// The acceptance rule on its own: whether an OpenSSL verification error
// (X509_V_ERR_*) is forgiven.
bool RelaxedCheckForgives(int verify_error);

}  // namespace dravanta
