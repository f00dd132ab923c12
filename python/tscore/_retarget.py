"""tscore.Retargeter, or, in a build without libTSCoreRetarget, a stand-in that says what to install."""

from __future__ import annotations

import types
from typing import Any, NoReturn

MISSING = (
    "tscore.Retargeter needs libTSCoreRetarget, which this build of tscore was made without: install "
    "liburdfdom-dev liborocos-kdl-dev libnlopt-cxx-dev libyaml-cpp-dev libeigen3-dev (sudo ./scripts/setup.sh "
    "does), then build tscore again (pip install --no-build-isolation --no-index ./python)"
)


class _Unavailable:
    """Stands for tscore.Retargeter where the package was built without it."""

    def __init__(self, *args: Any, **kwargs: Any) -> NoReturn:
        raise ImportError(MISSING, name="tscore._tscore")


def retargeter(module: types.ModuleType) -> Any:
    """The extension's Retargeter class, or the stand-in that raises ImportError."""
    return getattr(module, "Retargeter", _Unavailable)
