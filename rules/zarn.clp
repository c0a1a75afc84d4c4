; SPDX-License-Identifier: GPL-3.0-or-later
;;; ===========================================================================
;;; zarn.clp - the rule base of ZARN's advisor: which of the eight fitted
;;; distributions to adopt, and why.
;;;
;;; ZARN uses the first "zarn.clp" it finds in the folder it was started from,
;;; beside the program, or in its installed data folder (share/zarn); without
;;; one it uses this same text, compiled into the program. To adapt the
;;; advice, copy this file into the start-up folder and edit the copy.
;;;
;;; One consultation: ZARN creates a fresh CLIPS environment, loads this
;;; file, resets, asserts the facts of the analysis (templates serie,
;;; indicacao and ajuste of module MAIN, anos-sem-vazao for a series
;;; with zero annual maxima, and b17c and quantil-100 for a project with a
;;; Bulletin 17C analysis of its flood record) and runs. It then reads back:
;;;   parecer       one per distribution: situacao, grau, pertinencia-z,
;;;                 pertinencia-r and lugar (1 to 8, each once)
;;;   razao         the reasons of each distribution, in order of ordem
;;;   recomendacao  exactly one: the index adopted, 0 for none
;;;   conclusao     the sentence that states the recommendation
;;;   cautela       the cautions about the series, in order of ordem
;;; A copy that does not produce these is reported, and the compiled-in rule
;;; base is used instead.
;;;
;;; Texts are UTF-8. In a texto slot the strings are written as they are and
;;; the numbers are written by ZARN in the format of the place that shows the
;;; advice (the regional decimal separator in the window, "." in the saved
;;; text and the batch tool). The symbol nao-finito stands, both ways, for a
;;; value that is not a finite number (a test that could not be simulated).
;;;
;;; Modules, run in this order (the focus of MAIN::consulta):
;;;   MAIN  the facts exchanged with ZARN, the constants, the memberships
;;;   A     degree of fit of each distribution: memberships of |Z| and R
;;;   B     what the fitted distributions imply: bounds and parsimony pairs
;;;   C     rejection (a poor fit, a bound below the data, a wrong skewness)
;;;   D     status of the others: upper bound, parsimony or accepted
;;;   E     ranking
;;;   F     the verdict: parecer, recomendacao and conclusao
;;;   G     cautions about the series as a whole
;;; ===========================================================================

(defmodule MAIN (export ?ALL))

;;; ---------------------------------------------------------------------------
;;; Constants

;; A distribution passes a test when its membership is at least this (the
;; 10 % level of both tests); below it on either test it is rejected.
(defglobal MAIN ?*grau-minimo* = 0.5)
;; The Z-function of |Z|: membership 1 at or below the first point, 0 at or
;; above the second, 0.5 half way (|Z| = 1.65).
(defglobal MAIN ?*z-inicio* = 0.0)
(defglobal MAIN ?*z-fim* = 3.3)
;; The two-parameter member of a pair serves when its degree exceeds this.
(defglobal MAIN ?*limite-parcimonia* = 0.5)
;; A lower bound counts as above the data when the sample minimum lies
;; below this fraction of it (the fact file's flags MinXMenorMin...).
(defglobal MAIN ?*fator-limite-inferior* = 0.9)
;; Fewer values than this make a short series.
(defglobal MAIN ?*serie-curta* = 20)
;; A share of years without flow above this leaves the conditional
;; probability adjustment resting on few positive values.
(defglobal MAIN ?*p0-alto* = 0.25)

;;; ---------------------------------------------------------------------------
;;; Facts asserted by ZARN

;; The series: size, skewness of the values, minimum of the values and of
;; their natural logarithms, maximum.
(deftemplate MAIN::serie
   (slot tamanho (type INTEGER))
   (slot assimetria (type NUMBER SYMBOL))
   (slot minimo (type NUMBER SYMBOL))
   (slot minimo-log (type NUMBER SYMBOL))
   (slot maximo (type NUMBER SYMBOL)))

;; One per verdict of the non-parametric tests that is set.
(deftemplate MAIN::indicacao
   (slot teste (type SYMBOL)
      (allowed-symbols dependencia nao-homogeneidade atipico-alto-gb atipico-baixo-gb
                       atipico-alto-assimetria atipico-baixo-assimetria)))

;; Only for a series with zero annual maxima (years without flow): the zeros
;; set aside, the values read (zeros included) and p0 = zeros / anos. Every
;; other fact is that of the positive values.
(deftemplate MAIN::anos-sem-vazao
   (slot zeros (type INTEGER))
   (slot anos (type INTEGER))
   (slot p0 (type NUMBER)))

;; Only for a project with a flood record analysed by Bulletin 17C (England
;; et al. 2018): the log-Pearson III fitted by the Expected Moments Algorithm
;; to the systematic, historical and censored years (anos-...), the
;; low-outlier test (metodo-atipicos) with its count and threshold, the skew
;; option, the station and regional skews, the weight of the station's in the
;; skew used (1 station alone, 0 regional alone), the 100-year flood with its
;; confidence limits and their level (confianca, 0.90 or 0.95).
(deftemplate MAIN::b17c
   (slot anos-sistematicos (type INTEGER))
   (slot anos-historicos (type INTEGER))
   (slot anos-censurados (type INTEGER))
   (slot metodo-atipicos (type SYMBOL) (allowed-symbols mgbt gb nenhum valor))
   (slot atipicos-baixos (type INTEGER))
   (slot limiar-atipicos (type NUMBER SYMBOL))
   (slot opcao-assimetria (type SYMBOL) (allowed-symbols estacao ponderada regional))
   (slot assimetria-estacao (type NUMBER SYMBOL))
   (slot assimetria-regional (type NUMBER SYMBOL))
   (slot peso-estacao (type NUMBER SYMBOL))
   (slot assimetria (type NUMBER SYMBOL))
   (slot q100 (type NUMBER SYMBOL))
   (slot q100-inferior (type NUMBER SYMBOL))
   (slot q100-superior (type NUMBER SYMBOL))
   (slot confianca (type NUMBER)))

;; With b17c, one per distribution: the 100-year flood of its L-moment fit
;; to the series (the years without flow taken back in).
(deftemplate MAIN::quantil-100
   (slot indice (type INTEGER) (range 1 8))
   (slot valor (type NUMBER SYMBOL)))

;; One per distribution: the fit tests (|Z| of the variance test, R and R90
;; of Filliben's test) and the fitted parameters (for LogNormal and
;; LogPearson III, of the natural logarithms).
(deftemplate MAIN::ajuste
   (slot indice (type INTEGER) (range 1 8))
   (slot z (type NUMBER SYMBOL))
   (slot r (type NUMBER SYMBOL))
   (slot r90 (type NUMBER SYMBOL))
   (slot posicao (type NUMBER SYMBOL))
   (slot escala (type NUMBER SYMBOL))
   (slot forma (type NUMBER SYMBOL)))

;;; ---------------------------------------------------------------------------
;;; Facts read back by ZARN

(deftemplate MAIN::parecer
   (slot indice (type INTEGER))
   (slot situacao (type SYMBOL) (allowed-symbols aceita parcimonia limite-superior rejeitada))
   (slot grau (type FLOAT))
   (slot pertinencia-z (type FLOAT))
   (slot pertinencia-r (type FLOAT))
   (slot lugar (type INTEGER)))

(deftemplate MAIN::razao
   (slot indice (type INTEGER))
   (slot ordem (type INTEGER))
   (multislot texto))

(deftemplate MAIN::recomendacao
   (slot indice (type INTEGER)))

(deftemplate MAIN::conclusao
   (multislot texto))

(deftemplate MAIN::cautela
   (slot ordem (type INTEGER))
   (multislot texto))

;;; ---------------------------------------------------------------------------
;;; The eight distributions

;; par: the other member of its pair (Normal with Pearson III, LogNormal
;; with LogPearson III, Gumbel with GEV, Exponential with GPA).
;; assimetria-positiva: it only represents series of positive skewness.
(deftemplate MAIN::distribuicao
   (slot indice (type INTEGER))
   (slot nome (type STRING))
   (slot parametros (type INTEGER))
   (slot par (type INTEGER))
   (slot assimetria-positiva (type SYMBOL) (allowed-symbols sim nao)))

(deffacts MAIN::distribuicoes
   (distribuicao (indice 1) (nome "Normal") (parametros 2) (par 5) (assimetria-positiva nao))
   (distribuicao (indice 2) (nome "LogNormal") (parametros 2) (par 6) (assimetria-positiva sim))
   (distribuicao (indice 3) (nome "Gumbel") (parametros 2) (par 7) (assimetria-positiva sim))
   (distribuicao (indice 4) (nome "Exponencial") (parametros 2) (par 8) (assimetria-positiva sim))
   (distribuicao (indice 5) (nome "Pearson III") (parametros 3) (par 1) (assimetria-positiva nao))
   (distribuicao (indice 6) (nome "LogPearson III") (parametros 3) (par 2) (assimetria-positiva nao))
   (distribuicao (indice 7) (nome "GEV") (parametros 3) (par 3) (assimetria-positiva nao))
   (distribuicao (indice 8) (nome "GPA") (parametros 3) (par 4) (assimetria-positiva nao)))

;;; ---------------------------------------------------------------------------
;;; Memberships

;; True for a number that is neither infinite nor undefined.
(deffunction MAIN::finito (?x)
   (and (numberp ?x) (= ?x ?x) (<= (abs ?x) 1.7976931348623157e308)))

;; Zadeh's S-function from a to c: 0 up to a, 2((x-a)/(c-a))^2 up to the
;; midpoint (0.5 there), 1 - 2((x-c)/(c-a))^2 up to c, 1 from c on. When
;; c <= a it is 1 from c on and 0 below. A non-finite argument gives 0.
(deffunction MAIN::funcao-s (?x ?a ?c)
   (if (not (and (finito ?x) (finito ?a) (finito ?c))) then (return 0.0))
   (if (<= ?c ?a) then (if (>= ?x ?c) then (return 1.0) else (return 0.0)))
   (if (<= ?x ?a) then (return 0.0))
   (if (>= ?x ?c) then (return 1.0))
   (bind ?largura (- ?c ?a))
   (if (<= ?x (/ (+ ?a ?c) 2)) then
      (bind ?t (/ (- ?x ?a) ?largura))
      (return (* 2 ?t ?t)))
   (bind ?t (/ (- ?x ?c) ?largura))
   (- 1 (* 2 ?t ?t)))

;; Membership of |Z| in "fits": the Z-function 1 - S from 0 to 3.3.
(deffunction MAIN::pertinencia-z (?z)
   (if (finito ?z) then (- 1 (funcao-s ?z ?*z-inicio* ?*z-fim*)) else 0.0))

;; Membership of R in "fits": the S-function from 2 R90 - 1 to 1 (0.5 at R90).
(deffunction MAIN::pertinencia-r (?r ?r90)
   (if (and (finito ?r) (finito ?r90)) then (funcao-s ?r (- (* 2 ?r90) 1) 1) else 0.0))

;; |Z| at which the variance test's membership is 0.5.
(deffunction MAIN::z-critico ()
   (/ (+ ?*z-inicio* ?*z-fim*) 2))

;; The sentence on both tests of a distribution that passes them.
(deffunction MAIN::resumo-dos-testes (?z ?mz ?r ?r90 ?mr)
   (create$ "Passa nos dois testes ao nível de 10 %: teste da variância com |Z| = " ?z
            " (pertinência " ?mz "), teste de Filliben com R = " ?r " e R(90%) = " ?r90
            " (pertinência " ?mr ")."))

(defrule MAIN::consulta
   (declare (salience 10000))
   (initial-fact)
   =>
   (focus A B C D E F G))

;;; ===========================================================================
;;; A: degree of fit. g = min(membership of |Z|, membership of R).

(defmodule A (import MAIN ?ALL) (export deftemplate grau))

(deftemplate A::grau
   (slot indice (type INTEGER))
   (slot z (type FLOAT))
   (slot r (type FLOAT))
   (slot g (type FLOAT)))

(defrule A::grau-de-ajuste
   (ajuste (indice ?i) (z ?z) (r ?r) (r90 ?r90))
   =>
   (bind ?mz (pertinencia-z ?z))
   (bind ?mr (pertinencia-r ?r ?r90))
   (assert (grau (indice ?i) (z ?mz) (r ?mr) (g (min ?mz ?mr)))))

;;; ===========================================================================
;;; B: what the fitted distributions imply.

(defmodule B (import MAIN ?ALL) (import A ?ALL)
   (export deftemplate limite-inferior-acima limite-superior parcimonia))

;; The fitted lower bound lies above the data (in the units of the data; for
;; LogPearson III the comparison is made on the logarithms).
(deftemplate B::limite-inferior-acima
   (slot indice (type INTEGER))
   (slot limite)
   (slot minimo))

;; The fitted distribution is bounded above at valor (in the units of the data).
(deftemplate B::limite-superior
   (slot indice (type INTEGER))
   (slot valor))

;; The two-parameter member indice of a pair passes both tests.
(deftemplate B::parcimonia
   (slot indice (type INTEGER)))

;; Exponential: bounded below at its position.
(defrule B::limite-inferior-exponencial
   (ajuste (indice 4) (posicao ?p&:(finito ?p)))
   (serie (minimo ?m&:(finito ?m)))
   (test (> (* ?*fator-limite-inferior* ?p) ?m))
   =>
   (assert (limite-inferior-acima (indice 4) (limite ?p) (minimo ?m))))

;; Pearson III with positive shape: bounded below at position - 2 scale / shape.
(defrule B::limite-inferior-pearson3
   (ajuste (indice 5) (posicao ?p&:(finito ?p)) (escala ?e&:(finito ?e)) (forma ?k&:(finito ?k)&:(> ?k 0)))
   (serie (minimo ?m&:(finito ?m)))
   (test (> (* ?*fator-limite-inferior* (- ?p (/ (* 2 ?e) ?k))) ?m))
   =>
   (assert (limite-inferior-acima (indice 5) (limite (- ?p (/ (* 2 ?e) ?k))) (minimo ?m))))

;; LogPearson III with positive shape: the same bound, on the logarithms,
;; compared with the logarithm of the minimum; reported in the data's units.
(defrule B::limite-inferior-logpearson3
   (ajuste (indice 6) (posicao ?p&:(finito ?p)) (escala ?e&:(finito ?e)) (forma ?k&:(finito ?k)&:(> ?k 0)))
   (serie (minimo-log ?m&:(finito ?m)))
   (test (> (* ?*fator-limite-inferior* (- ?p (/ (* 2 ?e) ?k))) ?m))
   =>
   (assert (limite-inferior-acima (indice 6) (limite (exp (- ?p (/ (* 2 ?e) ?k)))) (minimo (exp ?m)))))

;; GEV with negative shape: bounded below at position + scale / shape.
(defrule B::limite-inferior-gev
   (ajuste (indice 7) (posicao ?p&:(finito ?p)) (escala ?e&:(finito ?e)) (forma ?k&:(finito ?k)&:(< ?k 0)))
   (serie (minimo ?m&:(finito ?m)))
   (test (> (* ?*fator-limite-inferior* (+ ?p (/ ?e ?k))) ?m))
   =>
   (assert (limite-inferior-acima (indice 7) (limite (+ ?p (/ ?e ?k))) (minimo ?m))))

;; GPA: bounded below at its position whatever the shape; the flag is raised
;; for a shape of 0 or less, as in the fact file.
(defrule B::limite-inferior-gpa
   (ajuste (indice 8) (posicao ?p&:(finito ?p)) (forma ?k&:(finito ?k)&:(<= ?k 0)))
   (serie (minimo ?m&:(finito ?m)))
   (test (> (* ?*fator-limite-inferior* ?p) ?m))
   =>
   (assert (limite-inferior-acima (indice 8) (limite ?p) (minimo ?m))))

;; GEV and GPA with positive shape: bounded above at position + scale / shape.
(defrule B::limite-superior-gev-gpa
   (ajuste (indice ?i&7|8) (posicao ?p) (escala ?e) (forma ?k&:(finito ?k)&:(> ?k 0)))
   =>
   (assert (limite-superior (indice ?i)
              (valor (if (and (finito ?p) (finito ?e)) then (+ ?p (/ ?e ?k)) else nao-finito)))))

;; Pearson III with negative shape: bounded above at position - 2 scale / shape.
(defrule B::limite-superior-pearson3
   (ajuste (indice 5) (posicao ?p) (escala ?e) (forma ?k&:(finito ?k)&:(< ?k 0)))
   =>
   (assert (limite-superior (indice 5)
              (valor (if (and (finito ?p) (finito ?e)) then (- ?p (/ (* 2 ?e) ?k)) else nao-finito)))))

;; LogPearson III with negative shape: the same on the logarithms, in data units.
(defrule B::limite-superior-logpearson3
   (ajuste (indice 6) (posicao ?p) (escala ?e) (forma ?k&:(finito ?k)&:(< ?k 0)))
   =>
   (assert (limite-superior (indice 6)
              (valor (if (and (finito ?p) (finito ?e)) then (exp (- ?p (/ (* 2 ?e) ?k))) else nao-finito)))))

;; Parsimony of a pair: its two-parameter member already passes both tests
;; (the fact file's NORparsimoniaPE3 ... EXPparsimoniaGPA).
(defrule B::parcimonia
   (distribuicao (indice ?k) (parametros 2))
   (grau (indice ?k) (g ?g&:(> ?g ?*limite-parcimonia*)))
   =>
   (assert (parcimonia (indice ?k))))

;;; ===========================================================================
;;; C: rejection. Every reason that holds is given.

(defmodule C (import MAIN ?ALL) (import A ?ALL) (import B ?ALL)
   (export deftemplate rejeicao estado))

(deftemplate C::rejeicao
   (slot indice (type INTEGER))
   (slot motivo (type SYMBOL)))

;; The status of a distribution, its degree of fit, and its place (0 until
;; ranked).
(deftemplate C::estado
   (slot indice (type INTEGER))
   (slot situacao (type SYMBOL))
   (slot g (type FLOAT))
   (slot lugar (type INTEGER) (default 0)))

(defrule C::ajuste-insuficiente
   (grau (indice ?i) (g ?g&:(< ?g ?*grau-minimo*)))
   =>
   (assert (rejeicao (indice ?i) (motivo ajuste))))

(defrule C::razao-teste-da-variancia
   (rejeicao (indice ?i) (motivo ajuste))
   (grau (indice ?i) (z ?mz&:(< ?mz ?*grau-minimo*)))
   (ajuste (indice ?i) (z ?z))
   =>
   (if (finito ?z) then
      (assert (razao (indice ?i) (ordem 1)
                 (texto "Rejeitada pelo teste da variância: |Z| = " ?z " passa de " (z-critico)
                        ", o limite ao nível de 10 % (pertinência " ?mz ").")))
    else
      (assert (razao (indice ?i) (ordem 1)
                 (texto "Rejeitada: o teste da variância não tem resultado (|Z| indefinido; "
                        "as amostras simuladas não bastaram para estimá-lo).")))))

(defrule C::razao-teste-de-filliben
   (rejeicao (indice ?i) (motivo ajuste))
   (grau (indice ?i) (r ?mr&:(< ?mr ?*grau-minimo*)))
   (ajuste (indice ?i) (r ?r) (r90 ?r90))
   =>
   (if (and (finito ?r) (finito ?r90)) then
      (assert (razao (indice ?i) (ordem 2)
                 (texto "Rejeitada pelo teste de Filliben: R = " ?r " fica abaixo de R(90%) = " ?r90
                        " (pertinência " ?mr ").")))
    else
      (assert (razao (indice ?i) (ordem 2)
                 (texto "Rejeitada: o teste de Filliben não tem resultado (R ou R(90%) indefinido; "
                        "as amostras simuladas não bastaram para estimá-lo).")))))

(defrule C::limite-inferior-acima-dos-dados
   (limite-inferior-acima (indice ?i) (limite ?b) (minimo ?m))
   =>
   (assert (rejeicao (indice ?i) (motivo limite-inferior)))
   (assert (razao (indice ?i) (ordem 3)
              (texto "Rejeitada: o mínimo da amostra, " ?m ", fica abaixo de "
                     (round (* 100 ?*fator-limite-inferior*))
                     " % do limite inferior da distribuição ajustada, " ?b
                     (if (= ?i 6) then " (comparação feita nos logaritmos)" else "")
                     "; ela não representa valores que já ocorreram."))))

(defrule C::assimetria-negativa
   (distribuicao (indice ?i) (nome ?nome) (assimetria-positiva sim))
   (serie (assimetria ?s&:(finito ?s)&:(< ?s 0)))
   =>
   (assert (rejeicao (indice ?i) (motivo assimetria)))
   (assert (razao (indice ?i) (ordem 4)
              (texto "Rejeitada: a assimetria da amostra é negativa (" ?s "), e a " ?nome
                     " só representa séries de assimetria positiva."))))

(defrule C::rejeitada
   (declare (salience -10))
   (rejeicao (indice ?i))
   (not (estado (indice ?i)))
   (grau (indice ?i) (g ?g))
   =>
   (assert (estado (indice ?i) (situacao rejeitada) (g ?g))))

;;; ===========================================================================
;;; D: the status of the distributions not rejected, first match wins:
;;; upper bound, then parsimony, then accepted.

(defmodule D (import MAIN ?ALL) (import A ?ALL) (import B ?ALL) (import C ?ALL))

(defrule D::limite-superior
   (declare (salience 30))
   (limite-superior (indice ?i) (valor ?v))
   (not (estado (indice ?i)))
   (grau (indice ?i) (z ?mz) (r ?mr) (g ?g))
   (ajuste (indice ?i) (z ?z) (r ?r) (r90 ?r90))
   =>
   (assert (estado (indice ?i) (situacao limite-superior) (g ?g)))
   (assert (razao (indice ?i) (ordem 1)
              (texto "Cautela: a distribuição ajustada tem limite superior em " ?v
                     " (nas unidades dos dados); os quantis de tempos de retorno altos se aproximam "
                     "desse teto e podem subestimar cheias raras.")))
   (assert (razao (indice ?i) (ordem 3) (texto (resumo-dos-testes ?z ?mz ?r ?r90 ?mr)))))

;; An upper bound below the largest value observed.
(defrule D::limite-superior-abaixo-do-maximo
   (declare (salience 25))
   (estado (indice ?i) (situacao limite-superior))
   (limite-superior (indice ?i) (valor ?v&:(finito ?v)))
   (serie (maximo ?x&:(finito ?x)&:(< ?v ?x)))
   =>
   (assert (razao (indice ?i) (ordem 2)
              (texto "O limite superior fica abaixo do máximo da amostra, " ?x
                     ": a distribuição ajustada não representa a maior cheia já observada."))))

;; A bounded three-parameter distribution whose two-parameter pair also serves.
(defrule D::limite-superior-com-par-que-serve
   (declare (salience 25))
   (estado (indice ?i) (situacao limite-superior))
   (distribuicao (indice ?i) (parametros 3) (par ?k))
   (parcimonia (indice ?k))
   (not (rejeicao (indice ?k)))
   (distribuicao (indice ?k) (nome ?nome-par))
   (grau (indice ?k) (g ?gk))
   =>
   (assert (razao (indice ?i) (ordem 4)
              (texto "A " ?nome-par ", de dois parâmetros, também passa nos dois testes (g = " ?gk
                     "); pelo princípio da parcimônia, prefira-a."))))

(defrule D::parcimonia
   (declare (salience 20))
   (distribuicao (indice ?i) (parametros 3) (par ?k))
   (parcimonia (indice ?k))
   (not (rejeicao (indice ?k)))
   (not (estado (indice ?i)))
   (not (rejeicao (indice ?i)))
   (grau (indice ?i) (g ?g))
   (distribuicao (indice ?k) (nome ?nome-par))
   (grau (indice ?k) (g ?gk))
   =>
   (assert (estado (indice ?i) (situacao parcimonia) (g ?g)))
   (assert (razao (indice ?i) (ordem 1)
              (texto "Passa nos dois testes (g = " ?g "), mas a " ?nome-par
                     ", de dois parâmetros, também passa (g = " ?gk
                     "); pelo princípio da parcimônia, prefira a mais simples, "
                     "que estima menos parâmetros com a mesma amostra."))))

(defrule D::aceita
   (declare (salience 10))
   (ajuste (indice ?i) (z ?z) (r ?r) (r90 ?r90))
   (not (estado (indice ?i)))
   (not (rejeicao (indice ?i)))
   (grau (indice ?i) (z ?mz) (r ?mr) (g ?g))
   =>
   (assert (estado (indice ?i) (situacao aceita) (g ?g)))
   (assert (razao (indice ?i) (ordem 1) (texto (resumo-dos-testes ?z ?mz ?r ?r90 ?mr)))))

;;; ===========================================================================
;;; E: ranking. Accepted, then parsimony, then upper bound, then rejected;
;;; within a group by degree of fit, larger first; ties by the lower index.

(defmodule E (import MAIN ?ALL) (import C ?ALL))

(deffunction E::ordem-do-grupo (?situacao)
   (switch ?situacao
      (case aceita then 1)
      (case parcimonia then 2)
      (case limite-superior then 3)
      (default 4)))

;; True when distribution 1 comes before distribution 2.
(deffunction E::antes (?s1 ?g1 ?i1 ?s2 ?g2 ?i2)
   (bind ?o1 (ordem-do-grupo ?s1))
   (bind ?o2 (ordem-do-grupo ?s2))
   (or (< ?o1 ?o2)
       (and (= ?o1 ?o2) (or (> ?g1 ?g2) (and (= ?g1 ?g2) (< ?i1 ?i2))))))

(defrule E::lugar
   ?e <- (estado (indice ?i) (situacao ?s) (g ?g) (lugar 0))
   =>
   (bind ?a-frente (find-all-facts ((?o estado)) (antes ?o:situacao ?o:g ?o:indice ?s ?g ?i)))
   (modify ?e (lugar (+ 1 (length$ ?a-frente)))))

;;; ===========================================================================
;;; F: the verdict.

(defmodule F (import MAIN ?ALL) (import A ?ALL) (import B ?ALL) (import C ?ALL))

(defrule F::parecer
   (estado (indice ?i) (situacao ?s) (g ?g) (lugar ?n&:(> ?n 0)))
   (grau (indice ?i) (z ?mz) (r ?mr))
   =>
   (assert (parecer (indice ?i) (situacao ?s) (grau ?g) (pertinencia-z ?mz) (pertinencia-r ?mr) (lugar ?n))))

(defrule F::recomendada
   (estado (indice ?i) (situacao aceita|parcimonia) (g ?g) (lugar 1))
   (distribuicao (indice ?i) (nome ?nome))
   =>
   (assert (recomendacao (indice ?i)))
   (assert (conclusao (texto "Recomenda-se a distribuição " ?nome " (grau de ajuste g = " ?g
                             "), a primeira da classificação abaixo."))))

(defrule F::recomendada-com-limite-superior
   (estado (indice ?i) (situacao limite-superior) (g ?g) (lugar 1))
   (distribuicao (indice ?i) (nome ?nome))
   (limite-superior (indice ?i) (valor ?v))
   =>
   (assert (recomendacao (indice ?i)))
   (assert (conclusao (texto "Recomenda-se a distribuição " ?nome " (grau de ajuste g = " ?g
                             "), com cautela: ela não admite valores acima de " ?v
                             ", e nenhuma distribuição sem limite superior passou nos critérios."))))

(defrule F::nenhuma-recomendada
   (estado (indice ?i) (situacao rejeitada) (g ?g) (lugar 1))
   (distribuicao (indice ?i) (nome ?nome))
   =>
   (assert (recomendacao (indice 0)))
   (assert (conclusao (texto "Nenhuma das oito distribuições passou nos critérios: não há recomendação. "
                             "A de maior grau de ajuste é a " ?nome " (g = " ?g
                             "); se for preciso adotá-la, faça-o com cautela e julgamento hidrológico, "
                             "depois de rever os dados."))))

;;; ===========================================================================
;;; G: cautions about the series as a whole. They change no status.

(defmodule G (import MAIN ?ALL))

(deftemplate G::aviso
   (slot teste (type SYMBOL))
   (slot ordem (type INTEGER))
   (multislot texto))

(deffacts G::avisos
   (aviso (teste dependencia) (ordem 2)
      (texto "O teste de Kendall indica que os valores podem não ser independentes: a análise supõe "
             "um ano sem influência sobre o seguinte, e com dependência a série informa menos do que "
             "o seu tamanho sugere e os tempos de retorno ficam incertos."))
   (aviso (teste nao-homogeneidade) (ordem 3)
      (texto "O teste de Mann-Kendall indica tendência (dados possivelmente não homogêneos): a série "
             "pode não representar o regime atual. Verifique mudanças na bacia, obras, regularização ou "
             "troca de instrumentos antes de usar os quantis."))
   (aviso (teste atipico-alto-gb) (ordem 4)
      (texto "O teste de Grubbs e Beck indica um valor atípico alto: confira o dado. Se for uma cheia "
             "real, ele pesa muito na cauda superior e nos quantis de projeto; não o descarte sem motivo."))
   (aviso (teste atipico-baixo-gb) (ordem 5)
      (texto "O teste de Grubbs e Beck indica um valor atípico baixo: um mínimo muito baixo distorce a "
             "assimetria e os ajustes dos logaritmos (LogNormal e LogPearson III)."))
   (aviso (teste atipico-alto-assimetria) (ordem 6)
      (texto "O teste da assimetria indica um valor atípico alto: retirar o máximo muda "
             "significativamente a assimetria, e os ajustes de três parâmetros dependem muito dele."))
   (aviso (teste atipico-baixo-assimetria) (ordem 7)
      (texto "O teste da assimetria indica um valor atípico baixo: retirar o mínimo muda "
             "significativamente a assimetria, e os ajustes de três parâmetros dependem muito dele.")))

(defrule G::serie-curta
   (serie (tamanho ?n&:(< ?n ?*serie-curta*)))
   =>
   (assert (cautela (ordem 1)
              (texto "Série curta: " ?n " valores, menos de " ?*serie-curta* ". Os ajustes de três "
                     "parâmetros (Pearson III, LogPearson III, GEV e GPA) dependem da assimetria, que "
                     "uma série curta estima mal; prefira as distribuições de dois parâmetros e trate "
                     "com reserva os quantis de tempos de retorno altos."))))

(defrule G::indicacao-dos-testes
   (indicacao (teste ?t))
   (aviso (teste ?t) (ordem ?n) (texto $?texto))
   =>
   (assert (cautela (ordem ?n) (texto ?texto))))

;; A short series counsels two-parameter distributions; when the
;; recommendation is nevertheless a three-parameter one, the advice says
;; why in one sentence, right after that caution (which it matches by its
;; opening words, so that the sentence is given once).
(defrule G::serie-curta-em-conflito-rejeitadas
   (cautela (ordem 1) (texto "Série curta: " $?))
   (serie (tamanho ?n&:(< ?n ?*serie-curta*)))
   (recomendacao (indice ?i&:(> ?i 0)))
   (distribuicao (indice ?i) (nome ?nome) (parametros 3))
   (not (and (distribuicao (indice ?k) (parametros 2))
             (parecer (indice ?k) (situacao ~rejeitada))))
   =>
   (assert (cautela (ordem 1)
              (texto "Esta cautela contraria a recomendação: todas as distribuições de dois parâmetros "
                     "foram rejeitadas, por isso se recomenda a " ?nome ", de três parâmetros; trate os "
                     "seus quantis de tempos de retorno altos com reserva ainda maior."))))

(defrule G::serie-curta-em-conflito-classificacao
   (cautela (ordem 1) (texto "Série curta: " $?))
   (serie (tamanho ?n&:(< ?n ?*serie-curta*)))
   (recomendacao (indice ?i&:(> ?i 0)))
   (distribuicao (indice ?i) (nome ?nome) (parametros 3))
   (parecer (indice ?k) (situacao ~rejeitada) (lugar ?l))
   (distribuicao (indice ?k) (nome ?nome-k) (parametros 2))
   (not (and (parecer (indice ?j) (situacao ~rejeitada) (lugar ?m&:(< ?m ?l)))
             (distribuicao (indice ?j) (parametros 2))))
   =>
   (assert (cautela (ordem 1)
              (texto "Esta cautela contraria a recomendação: a " ?nome ", de três parâmetros, ficou à "
                     "frente na classificação, mas a " ?nome-k ", de dois parâmetros, também passa nos "
                     "critérios e pode ser preferida por esta série curta."))))

;; Many years without flow: the fits rest on the positive values alone.
(defrule G::muitos-anos-sem-vazao
   (anos-sem-vazao (zeros ?z) (anos ?n) (p0 ?p&:(> ?p ?*p0-alto*)))
   =>
   (assert (cautela (ordem 0)
              (texto "Anos sem vazão: " ?z " dos " ?n " valores são zero (p0 = " ?p "), mais de "
                     (round (* 100 ?*p0-alto*)) " %. O ajuste pela probabilidade condicional "
                     "(Bulletin 17B, apêndice 5) se apoia em apenas " (- ?n ?z) " valores positivos: "
                     "os quantis dependem muito de p0 e de poucos dados; trate-os com reserva."))))

;; Bulletin 17C with historical or censored years: how far they move the
;; 100-year flood from the L-moment fit adopted for the series (the
;; recommended distribution, or the LogPearson III without a recommendation).
;; The EMA confidence limits judge it: a fit of the series alone that falls
;; outside them misses what the history shows.
(defrule G::b17c-informacao-historica
   (b17c (anos-sistematicos ?s) (anos-historicos ?h) (anos-censurados ?c&:(> (+ ?h ?c) 0))
         (q100 ?q&:(finito ?q)) (q100-inferior ?li&:(finito ?li)) (q100-superior ?ls&:(finito ?ls))
         (confianca ?nc))
   (recomendacao (indice ?r))
   (distribuicao (indice ?i&:(or (= ?i ?r) (and (= ?r 0) (= ?i 6)))) (nome ?nome))
   (quantil-100 (indice ?i) (valor ?v&:(finito ?v)&:(> ?v 0)))
   =>
   (bind ?variacao (round (* 100 (- (/ ?q ?v) 1))))
   (if (>= ?variacao 0) then (bind ?sentido "acima") else (bind ?sentido "abaixo"))
   (if (> ?r 0) then (bind ?papel "recomendada") else (bind ?papel "de referência, sem recomendação"))
   (bind ?inicio (create$ "Informação histórica: com " ?h " anos históricos além dos " ?s " sistemáticos ("
                          ?c " anos com intervalo ou censura), o Bulletin 17C (EMA) dá " ?q " para a cheia de 100 anos, "
                          (abs ?variacao) " % " ?sentido " dos " ?v " da " ?nome " (" ?papel ") ajustada pelos "
                          "momentos-L à série"))
   (if (or (< ?v ?li) (> ?v ?ls))
    then (assert (cautela (ordem 8)
              (texto ?inicio ". Esse valor fica fora do intervalo de confiança de " (round (* 100 ?nc))
                     " % do B17C (" ?li " a " ?ls "): a série sistemática sozinha não representa as cheias que a "
                     "história registra. Adote o B17C para os quantis de projeto.")))
    else (assert (cautela (ordem 8)
              (texto ?inicio ". Esse valor fica dentro do intervalo de confiança de " (round (* 100 ?nc))
                     " % do B17C (" ?li " a " ?ls "): a informação histórica confirma o ajuste da série. "
                     "O B17C, que usa toda a informação, é a estimativa mais completa; a " ?nome
                     " pode ser mantida se o estudo pede um ajuste pelos momentos-L.")))))

;; Low outliers found by the Bulletin 17C test (or below the threshold the
;; user gave): the EMA censors them, the L-moment fits keep them.
(defrule G::b17c-atipicos-baixos
   (b17c (metodo-atipicos ?m&~nenhum) (atipicos-baixos ?k&:(> ?k 0)) (limiar-atipicos ?l))
   =>
   (if (eq ?m mgbt) then (bind ?teste "o teste de Grubbs-Beck múltiplo (Cohn et al., 2013) do B17C acha ")
    else (if (eq ?m gb) then (bind ?teste "o teste de Grubbs-Beck do B17C acha ")
          else (bind ?teste "o limiar de atípicos dado deixa abaixo de si ")))
   (assert (cautela (ordem 9)
              (texto "Atípicos baixos: " ?teste ?k " valores menores que " ?l ". O B17C os trata como "
                     "censurados (menores que esse limiar), para que não curvem a cauda superior; os ajustes "
                     "pelos momentos-L os usam como os demais valores e podem distorcer os quantis altos. Para "
                     "tempos de retorno longos, prefira o B17C ou confira a cauda superior da distribuição "
                     "recomendada."))))

;; The weighted skew of Bulletin 17C: the weights, inverse to the mean
;; square errors, say whether the record or the region decides it.
(defrule G::b17c-assimetria-ponderada
   (b17c (opcao-assimetria ponderada) (peso-estacao ?w&:(finito ?w)) (assimetria-estacao ?ge)
         (assimetria-regional ?gr) (assimetria ?g))
   =>
   (if (>= ?w 0.5)
    then (bind ?quem "A da estação pesa mais: o registro é longo o bastante para estimá-la.")
    else (bind ?quem "A regional pesa mais: a assimetria da estação, estimada deste registro, é incerta."))
   (assert (cautela (ordem 10)
              (texto "Assimetria do B17C ponderada: G = " ?g ", com peso " ?w " para a da estação (" ?ge
                     ") e " (- 1 ?w) " para a regional (" ?gr "), pesos inversos aos erros quadráticos "
                     "médios. " ?quem))))

;;; ===========================================================================
;;; REGIONAL: advice on a regional frequency analysis (index flood with
;;; L-moments, Hosking and Wallis 1997). A separate consultation: ZARN
;;; asserts regiao, posto and candidata, focuses REGIONAL and runs; it reads
;;; back every conselho, in order of ordem. The at-site modules above do not
;;; see these facts.
;;; ===========================================================================

(defmodule REGIONAL (export ?ALL))

;; Fewer sites than this make a small region (H&W 4.3: the tests have little power).
(defglobal REGIONAL ?*poucos-postos* = 7)
;; More sites than this add little accuracy and tend to make a region heterogeneous (H&W 8.2).
(defglobal REGIONAL ?*muitos-postos* = 20)
;; A mean record length below this, or a site below the shortest, makes short records.
(defglobal REGIONAL ?*registro-curto* = 20)
(defglobal REGIONAL ?*registro-muito-curto* = 10)
;; The heterogeneity measure H1 from which a region is possibly, then definitely, heterogeneous.
(defglobal REGIONAL ?*h-possivel* = 1.0)
(defglobal REGIONAL ?*h-definitiva* = 2.0)
;; An upper bound below this multiple of the index flood is close enough to matter in design.
(defglobal REGIONAL ?*limite-proximo* = 5.0)

(deftemplate REGIONAL::regiao
   (slot postos (type INTEGER))
   (slot registro-medio (type NUMBER))
   (slot registro-minimo (type INTEGER))
   (slot h1) (slot h2) (slot h3)
   (slot d-critico (type NUMBER))
   (slot d-calculado (type SYMBOL) (allowed-symbols sim nao))
   (slot kappa-substituida (type SYMBOL) (allowed-symbols sim nao))
   (slot escolhida (type SYMBOL))
   (slot z-escolhida)
   (slot limite-superior)   ; of the chosen growth curve, nao-finito when unbounded above
   (slot q100-escolhida))

(deftemplate REGIONAL::posto
   (slot nome (type STRING))
   (slot n (type INTEGER))
   (slot d)
   (slot discordante (type SYMBOL) (allowed-symbols sim nao)))

(deftemplate REGIONAL::candidata
   (slot nome (type SYMBOL))
   (slot z)
   (slot aceitavel (type SYMBOL) (allowed-symbols sim nao)))

(deftemplate REGIONAL::sem-dados      ; the ungauged site, when one was estimated
   (slot area (type NUMBER))
   (slot area-minima (type NUMBER))   ; of the sites in the area regression
   (slot area-maxima (type NUMBER))
   (slot graus-liberdade (type INTEGER)))

(deftemplate REGIONAL::conselho
   (slot ordem (type INTEGER))
   (multislot texto))

;;; Discordant sites
(defrule REGIONAL::posto-discordante
   (regiao (d-critico ?c))
   (posto (nome ?nome) (d ?d) (discordante sim))
   =>
   (assert (conselho (ordem 1)
              (texto "O posto " ?nome " é discordante (D = " ?d ", valor crítico " ?c "). Verifique os dados: "
                     "erros de digitação ou de unidade, mudança de régua ou de curva-chave, anos "
                     "incompletos contados como máximos. Se os dados estiverem certos, veja se o posto "
                     "pertence a esta região (clima, relevo, tamanho e forma da bacia) ou a outra."))))

(defrule REGIONAL::discordancia-nao-calculada
   (regiao (d-calculado nao))
   =>
   (assert (conselho (ordem 1)
              (texto "A discordância não pôde ser calculada: as razões (t, t3, t4) dos postos são iguais "
                     "ou alinhadas. Confira se os arquivos não se repetem."))))

(defrule REGIONAL::discordancia-sem-poder
   (regiao (postos ?n&:(<= ?n 3)))
   =>
   (assert (conselho (ordem 1)
              (texto "Com " ?n " postos a medida de discordância não informa nada (D = 1 em todos)."))))

;;; Heterogeneity
(defrule REGIONAL::homogenea
   (regiao (h1 ?h&:(numberp ?h)&:(< ?h ?*h-possivel*)))
   =>
   (assert (conselho (ordem 2)
              (texto "A região é aceitavelmente homogênea (H1 = " ?h " < 1): uma curva regional de "
                     "crescimento única, escalada pelo índice de cheia de cada posto, é adequada."))))

(defrule REGIONAL::possivelmente-heterogenea
   (regiao (h1 ?h&:(numberp ?h)&:(>= ?h ?*h-possivel*)&:(< ?h ?*h-definitiva*)))
   =>
   (assert (conselho (ordem 2)
              (texto "A região é possivelmente heterogênea (1 <= H1 = " ?h " < 2). A curva regional ainda "
                     "é, em geral, mais precisa que os ajustes locais, mas a precisão simulada supõe "
                     "homogeneidade e é otimista. Considere retirar postos discordantes ou dividir a "
                     "região por características físicas das bacias."))))

(defrule REGIONAL::definitivamente-heterogenea
   (regiao (h1 ?h&:(numberp ?h)&:(>= ?h ?*h-definitiva*)))
   =>
   (assert (conselho (ordem 2)
              (texto "A região é definitivamente heterogênea (H1 = " ?h " >= 2): redefina-a antes de "
                     "usar a curva regional, subdividindo-a por características físicas das bacias "
                     "(área, clima, relevo), não pelas próprias estatísticas. Os testes de aderência "
                     "(Z) e a precisão simulada não valem para uma região heterogênea."))))

(defrule REGIONAL::kappa-substituida
   (regiao (kappa-substituida sim))
   =>
   (assert (conselho (ordem 2)
              (texto "A L-curtose regional está acima da curva da logística generalizada: a kappa não "
                     "pode ser ajustada e a logística generalizada (h = -1) foi usada nas simulações. "
                     "H e Z ficam menos confiáveis; caudas assim pesadas pedem uma revisão dos dados."))))

;;; The chosen distribution
(defrule REGIONAL::candidata-aceitavel
   (candidata (nome ?nome) (z ?z) (aceitavel sim))
   =>
   (assert (conselho (ordem 3)
              (texto "A " ?nome " passa no teste de aderência (Z = " ?z ", |Z| <= 1,64)."))))

(defrule REGIONAL::escolhida-entre-aceitaveis
   (regiao (escolhida ?nome&~WAK) (z-escolhida ?z))
   =>
   (assert (conselho (ordem 4)
              (texto "Distribuição regional escolhida: " ?nome ", a aceitável de menor |Z| (Z = " ?z "). "
                     "Se outras também passam, compare as curvas: onde diferem pouco, a escolha não pesa; "
                     "onde diferem muito, prefira a de cauda mais pesada por segurança."))))

(defrule REGIONAL::nenhuma-aceitavel
   (regiao (escolhida WAK))
   =>
   (assert (conselho (ordem 4)
              (texto "Nenhuma das cinco candidatas de três parâmetros passa no teste de aderência: "
                     "adota-se a Wakeby, de cinco parâmetros, que se ajusta a qualquer combinação de "
                     "L-assimetria e L-curtose. Verifique antes se a região é homogênea e se há postos "
                     "discordantes, que costumam explicar o desajuste."))))

(defrule REGIONAL::limite-superior
   (regiao (escolhida ?nome) (limite-superior ?u&:(numberp ?u)))
   =>
   (assert (conselho (ordem 5)
              (texto "Cuidado: a curva " ?nome " tem limite superior (" ?u " vezes o índice de cheia). "
                     "Quantis de tempos de retorno longos aproximam-se desse limite, que pode "
                     "subestimar cheias raras; compare com uma candidata sem limite superior."))))

;;; The ungauged site
;; A regression with fewer degrees of freedom than this gives a very uncertain line.
(defglobal REGIONAL ?*graus-liberdade-minimos* = 3)

(defrule REGIONAL::sem-dados-fora-das-areas
   (sem-dados (area ?a) (area-minima ?min) (area-maxima ?max&:(or (< ?a ?min) (> ?a ?max))))
   =>
   (assert (conselho (ordem 8)
              (texto "Posto sem dados fora das áreas medidas: " ?a " km², os postos da regressão vão de "
                     ?min " a " ?max " km². O índice de cheia vem de prolongar a reta ln l1 = a + b ln(área) "
                     "além dos dados, onde nada garante que ela valha (bacias muito menores ou maiores "
                     "respondem de outro modo às chuvas); use a estimativa só como ordem de grandeza."))))

(defrule REGIONAL::sem-dados-regressao-fraca
   (sem-dados (graus-liberdade ?g&:(< ?g ?*graus-liberdade-minimos*)))
   =>
   (assert (conselho (ordem 8)
              (texto "A regressão do índice de cheia na área tem só " ?g " grau(s) de liberdade: com tão "
                     "poucos postos a inclinação b é muito incerta e o erro-padrão dos resíduos mal "
                     "estimado; o índice de cheia do posto sem dados pode errar muito. Inclua mais "
                     "postos com área conhecida."))))

;;; Size of the region and length of the records
(defrule REGIONAL::poucos-postos
   (regiao (postos ?n&:(< ?n ?*poucos-postos*)))
   =>
   (assert (conselho (ordem 6)
              (texto "Região pequena: " ?n " postos. Com menos de " ?*poucos-postos* " postos os testes "
                     "de discordância, heterogeneidade e aderência têm pouco poder; trate seus "
                     "resultados como indicativos."))))

(defrule REGIONAL::muitos-postos
   (regiao (postos ?n&:(> ?n ?*muitos-postos*)))
   =>
   (assert (conselho (ordem 6)
              (texto "Região grande: " ?n " postos. Acima de " ?*muitos-postos* " postos a precisão "
                     "quase não melhora e cresce o risco de heterogeneidade; considere dividi-la."))))

(defrule REGIONAL::registros-curtos
   (regiao (registro-medio ?m&:(< ?m ?*registro-curto*)))
   =>
   (assert (conselho (ordem 7)
              (texto "Séries curtas: em média " ?m " anos por posto. As razões de L-momentos de cada "
                     "posto variam muito, o que reduz o poder dos testes; a análise regional é "
                     "justamente o recurso para séries assim, mas confira os dados com cuidado."))))

(defrule REGIONAL::posto-muito-curto
   (posto (nome ?nome) (n ?n&:(< ?n ?*registro-muito-curto*)))
   =>
   (assert (conselho (ordem 7)
              (texto "O posto " ?nome " tem apenas " ?n " anos: suas razões de L-momentos pesam pouco na "
                     "média regional, mas seu índice de cheia (a média) é incerto."))))
