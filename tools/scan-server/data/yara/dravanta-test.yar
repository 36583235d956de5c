// Test rules of the scan server. A rule is a threat unless its meta
// "verdict" is "suspicious"; "threat_name" names what it found.

rule EICAR_Test_File
{
  meta:
    threat_name = "Dravanta.Test.EICAR"
  strings:
    $text = "EICAR-STANDARD-ANTIVIRUS-TEST-FILE!"
  condition:
    $text in (0..64) and filesize < 256
}

rule Suspicious_Test_Marker
{
  meta:
    threat_name = "Dravanta.Test.SuspiciousMarker"
    verdict = "suspicious"
  strings:
    $marker = { 44 52 41 56 41 4E 54 41 2D 54 45 53 54 2D 53 55 53 50 49 43 49 4F 55 53 }
  condition:
    $marker
}
