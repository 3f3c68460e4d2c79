#!/usr/bin/env python3
"""Signs the built installer the way a release engineer does, with a
throwaway self-signed code-signing certificate, and checks the signature.

    test_signing.py SIGN_SCRIPT INSTALLER_EXE SIGNED_OUT

SIGNED_OUT keeps the signed copy for the tests that run it under Wine.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from pe_file import DIRECTORY_SECURITY, PeFile  # noqa: E402

SIGN = EXE = SIGNED = None


def make_certificate(folder, name):
    cert, key = os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Tarnwick test signing " + name, "-keyout", key, "-out", cert,
                    "-addext", "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True)
    return cert, key


def sign(cert, key, out, installer=None):
    env = dict(os.environ, TW_INSTALLER=installer or EXE)
    return subprocess.run([SIGN, cert, key, out], env=env, capture_output=True, text=True)


def verifies(path, ca):
    run = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", ca], capture_output=True, text=True)
    return run.returncode == 0 and "Signature verification: ok" in run.stdout


def flipped(source, folder, offset):
    path = os.path.join(folder, "flipped_%d.exe" % offset)
    with open(source, "rb") as f:
        data = bytearray(f.read())
    data[offset] ^= 0x01
    with open(path, "wb") as f:
        f.write(data)
    return path


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="tw-signing-")
        cls.cert, cls.key = make_certificate(cls.folder, "release")
        if os.path.exists(SIGNED):
            os.remove(SIGNED)
        run = sign(cls.cert, cls.key, SIGNED)
        assert run.returncode == 0, run.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def test_signed_copy_verifies(self):
        self.assertTrue(verifies(SIGNED, self.cert))

    def test_what_fails_verification(self):
        signed = PeFile(SIGNED)
        text, payload_resource = signed.section(".text"), signed.section(".rsrc")
        other_cert, _ = make_certificate(self.folder, "other")
        cases = [
            ("the unsigned installer", EXE, self.cert),
            ("a byte changed in the code", flipped(SIGNED, self.folder, text.raw_offset + text.raw_size // 2), self.cert),
            ("a byte changed in the payload",
             flipped(SIGNED, self.folder, payload_resource.raw_offset + payload_resource.raw_size // 2), self.cert),
            ("a byte changed in the headers", flipped(SIGNED, self.folder, 0x40), self.cert),
            ("a certificate nobody trusts", SIGNED, other_cert),
        ]
        for name, path, ca in cases:
            with self.subTest(name):
                self.assertFalse(verifies(path, ca))

    def test_signature_sits_after_the_image(self):
        with open(EXE, "rb") as f:
            original = f.read()
        signed = PeFile(SIGNED)
        offset, size = signed.directory(DIRECTORY_SECURITY)
        self.assertGreaterEqual(offset, len(original))
        self.assertEqual(offset + size, len(signed.data))
        # Everything before it is the installer's bytes but the header's
        # checksum and the certificate table's entry: no section moves.
        entry = signed.directory_table + 8 * DIRECTORY_SECURITY
        changed = [i for i in range(len(original)) if original[i] != signed.data[i]]
        allowed = set(range(signed.checksum_offset, signed.checksum_offset + 4)) | set(range(entry, entry + 8))
        self.assertTrue(set(changed) <= allowed, "bytes changed at %s" % [hex(i) for i in changed[:8]])
        self.assertEqual([(s.name, s.raw_offset, s.raw_size) for s in signed.sections],
                         [(s.name, s.raw_offset, s.raw_size) for s in PeFile(EXE).sections])

    def test_failed_signing_leaves_no_file(self):
        _, other_key = make_certificate(self.folder, "mismatch")
        out = os.path.join(self.folder, "never.exe")
        run = sign(self.cert, other_key, out)
        self.assertNotEqual(run.returncode, 0)
        self.assertEqual([f for f in os.listdir(self.folder) if f.startswith("never.exe")], [])

    def test_usage(self):
        run = subprocess.run([SIGN, self.cert], capture_output=True, text=True)
        self.assertEqual(run.returncode, 2)
        self.assertIn("usage", run.stderr)


if __name__ == "__main__":
    SIGN, EXE, SIGNED = sys.argv.pop(1), sys.argv.pop(1), sys.argv.pop(1)
    unittest.main()
