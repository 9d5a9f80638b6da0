"""Prints where and for what a pip on another machine installs this
interpreter's packages: its purelib directory, then pip's --target options
naming this interpreter's implementation, version, ABI and the manylinux
platforms its C library accepts.

The interpreters of a root of another architecture run under an emulator,
where pip itself takes minutes to resolve and unpack the test tools; a
native interpreter of the same implementation and version (which evaluates
the requirements' markers as this one would) installs them for it in
seconds, from binary wheels only.
"""
import platform
import sys
import sysconfig

version = "%d.%d" % sys.version_info[:2]
if sys.implementation.name == "pypy":
    implementation, abi = "pp", sysconfig.get_config_var("SOABI").replace("-", "_")
else:
    implementation, abi = "cp", "cp" + version.replace(".", "")
machine = platform.machine()
libc, libc_version = platform.libc_ver()
if libc != "glibc":
    sys.exit(f"pip-target: no manylinux platform for {libc or 'an unknown C library'}")
glibc_minor = int(libc_version.split(".")[1])
platforms = [f"manylinux_2_{minor}_{machine}" for minor in range(17, glibc_minor + 1)]
print(sysconfig.get_paths()["purelib"], "--implementation", implementation, "--python-version", version,
      "--abi", abi, *(f"--platform={p}" for p in [*platforms, f"manylinux2014_{machine}"]))
