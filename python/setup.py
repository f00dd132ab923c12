"""Builds tscore._tscore with the project's own CMake build, then ships libTSCore beside it, and
libTSCoreRetarget (tscore.Retargeter) when its dependencies are installed.

The extension finds the libraries through an RPATH of $ORIGIN, so the installed package works
from any folder without LD_LIBRARY_PATH. Needs a TSCore checkout (this folder's parent), CMake,
a C++17 compiler, Boost and pybind11: scripts/setup.sh installs them.
TSCORE_CMAKE_BUILD_DIR keeps the CMake build in a folder of your choice (reused next time).
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


def project_version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(TSCore\s+VERSION\s+([0-9.]+)", text)
    if match is None:
        sys.exit("tscore: cannot read the version from the TSCore CMakeLists.txt")
    return match.group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext: Extension) -> None:
        build_dir = Path(os.environ.get("TSCORE_CMAKE_BUILD_DIR") or Path(self.build_temp) / "cmake").resolve()
        package_dir = Path(self.get_ext_fullpath(ext.name)).resolve().parent
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DTSCORE_BUILD_TESTS=OFF",
            "-DTSCORE_BUILD_TOOLS=OFF",
            "-DTSCORE_BUILD_PYTHON=ON",
            f"-DTSCORE_PYTHON_EXECUTABLE={sys.executable}",
            f"-DTSCORE_PYTHON_PACKAGE_DIR={package_dir}",
        ]
        if not (build_dir / "CMakeCache.txt").exists() and shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(min(os.cpu_count() or 1, 4))
        try:
            subprocess.run(configure, check=True)
            subprocess.run(["cmake", "--build", str(build_dir), "--target", "_tscore", "--parallel", jobs], check=True)
        except FileNotFoundError:
            sys.exit("tscore: cmake not found; run scripts/setup.sh (or apt install cmake g++ libboost-dev pybind11-dev)")
        except subprocess.CalledProcessError as error:
            sys.exit(f"tscore: the CMake build failed ({error}); scripts/setup.sh installs what it needs")


if not (ROOT / "CMakeLists.txt").is_file() or not (ROOT / "include" / "TSCore").is_dir():
    sys.exit("tscore: build from a TSCore checkout: pip install ./python from the repository's root")

setup(
    version=project_version(),
    ext_modules=[Extension("tscore._tscore", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
