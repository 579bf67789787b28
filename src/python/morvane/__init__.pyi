from typing import Any, Iterable, Mapping, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt
import pandas as pd

__version__: str
MODELS: Tuple[str, ...]

_Value = Union[float, int, str]
_Disturbance = Union[str, Mapping[str, _Value]]
_Axis = Union[str, Tuple[_Value, _Value, int]]

class Provenance(dict):
    ...

class Series:
    model: Optional[str]
    columns: Tuple[str, ...]
    provenance: Optional[Provenance]
    T: npt.NDArray[np.uint32]
    p: npt.NDArray[np.float64]
    q: npt.NDArray[np.float64]
    DG: npt.NDArray[np.float64]
    Fit: npt.NDArray[np.float64]
    fAB: npt.NDArray[np.float64]
    fAb: npt.NDArray[np.float64]
    faB: npt.NDArray[np.float64]
    fab: npt.NDArray[np.float64]
    W1: npt.NDArray[np.float64]
    W2: npt.NDArray[np.float64]
    deltaP: npt.NDArray[np.float64]
    deltaQ: npt.NDArray[np.float64]
    run_starts: npt.NDArray[np.uint32]
    run_converged: npt.NDArray[np.bool_]
    rerun_states: npt.NDArray[np.float64]
    converged: bool
    record: str
    @property
    def clonal(self) -> bool: ...
    @property
    def generations(self) -> int: ...
    def to_dataframe(self) -> pd.DataFrame: ...
    def __len__(self) -> int: ...

class SweepTable(pd.DataFrame):
    provenance: Provenance
    def to_files(self, final: str) -> Tuple[str, str]: ...

def run(model: str, disturb: Union[_Disturbance, Iterable[_Disturbance]] = ...,
        max_generations: Optional[int] = ..., *, final: Optional[str] = ...,
        detail: Optional[str] = ..., plot: Optional[str] = ..., trade_off: Optional[str] = ...,
        ess: bool = ..., **parameters: _Value) -> Series: ...
def sweep(model: str, vary: Mapping[str, _Axis], jobs: Optional[int] = ...,
          disturb: Union[_Disturbance, Iterable[_Disturbance]] = ...,
          max_generations: Optional[int] = ..., trade_off: Optional[str] = ...,
          ess: bool = ..., **parameters: _Value) -> SweepTable: ...
class AnalysisTable(pd.DataFrame):
    provenance: Provenance
    basin_map: Optional[npt.NDArray[np.int64]]

def equilibria(model: str, starts: int = ..., trade_off: Optional[str] = ..., ess: bool = ...,
               **parameters: _Value) -> AnalysisTable: ...
def continuation(model: str, vary: Tuple[str, _Value, _Value] = ...,
                 step: Optional[_Value] = ..., starts: int = ...,
                 trade_off: Optional[str] = ..., ess: bool = ...,
                 **parameters: _Value) -> AnalysisTable: ...
def basins(model: str, grid: int = ..., threads: Optional[int] = ...,
           trade_off: Optional[str] = ..., ess: bool = ...,
           **parameters: _Value) -> AnalysisTable: ...
def read_sweep(path: str) -> SweepTable: ...
def read_final(path: str) -> pd.DataFrame: ...
def read_plot(path: str, clonal: bool = ...) -> Series: ...
def read_detail(path: str) -> Sequence[Series]: ...
